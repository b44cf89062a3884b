// A small check runner for the programs that run under Wine.
//
// Each program registers cases with VEL_CASE; main() comes from check.cpp,
// runs them in order (or only those named on the command line) and prints
// "N passed, N failed". A failed check reports file, line and values and ends
// its case; the program's exit code is the number of failed cases.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace check {

struct Case {
    const char* name;
    void (*fn)();
};

std::vector<Case>& Registry();

struct Register {
    Register(const char* name, void (*fn)()) { Registry().push_back({name, fn}); }
};

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const char* file, int line, const std::string& what);
void Note(const std::string& text);

template <class A, class B> std::string Describe(const A& a, const B& b) {
    std::ostringstream s;
    s << "\n    left:  " << a << "\n    right: " << b;
    return s.str();
}

// The bytes as lower-case hex digits, two a byte.
std::string Hex(const void* data, size_t size);

} // namespace check

#define VEL_CASE(name)                                                                             \
    static void name();                                                                            \
    static check::Register name##_registered(#name, &name);                                        \
    static void name()

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond))                                                                               \
            check::Fail(__FILE__, __LINE__, "CHECK(" #cond ")");                                   \
    } while (0)

#define CHECK_EQ(a, b)                                                                             \
    do {                                                                                           \
        const auto vel_a_ = (a);                                                                   \
        const auto vel_b_ = (b);                                                                   \
        if (!(vel_a_ == vel_b_))                                                                   \
            check::Fail(__FILE__, __LINE__,                                                        \
                        "CHECK_EQ(" #a ", " #b ")" + check::Describe(vel_a_, vel_b_));             \
    } while (0)
