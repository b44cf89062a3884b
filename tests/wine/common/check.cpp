#include "check.h"

#include <cstdio>
#include <cstring>

namespace check {

std::vector<Case>& Registry() {
    static std::vector<Case> cases;
    return cases;
}

void Fail(const char* file, int line, const std::string& what) {
    std::ostringstream s;
    s << file << ":" << line << ": " << what;
    throw Failure{s.str()};
}

void Note(const std::string& text) {
    std::printf("    %s\n", text.c_str());
    std::fflush(stdout);
}

} // namespace check

int main(int argc, char** argv) {
    int passed = 0;
    int failed = 0;
    for (const check::Case& c : check::Registry()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], c.name) == 0;
        if (!wanted)
            continue;
        std::printf("[ RUN  ] %s\n", c.name);
        std::fflush(stdout);
        try {
            c.fn();
            std::printf("[  OK  ] %s\n", c.name);
            ++passed;
        } catch (const check::Failure& f) {
            std::printf("[ FAIL ] %s\n  %s\n", c.name, f.message.c_str());
            ++failed;
        } catch (const std::exception& e) {
            std::printf("[ FAIL ] %s\n  exception: %s\n", c.name, e.what());
            ++failed;
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed;
}
