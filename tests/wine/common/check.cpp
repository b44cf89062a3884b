#include "check.h"

#include <windows.h>

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

// When the running case started, for the times notes carry.
static DWORD s_caseStart = 0;

void Note(const std::string& text) {
    std::printf("    %s (at %lu ms)\n", text.c_str(),
                static_cast<unsigned long>(::GetTickCount() - s_caseStart));
    std::fflush(stdout);
}

std::string Hex(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

} // namespace check

// A crash ends the program at once with a line saying so, instead of
// waiting for a debugger that nobody attends.
static LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pInfo) {
    std::printf("crash: exception 0x%08lx at %p\n", pInfo->ExceptionRecord->ExceptionCode,
                pInfo->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

int main(int argc, char** argv) {
    ::SetUnhandledExceptionFilter(ReportCrash);
    int passed = 0;
    int failed = 0;
    // A name that no case has is a mistake of the caller, not a case passed.
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i][0] == '-' ? argv[i] + 1 : argv[i];
        bool known = false;
        for (const check::Case& c : check::Registry())
            known = known || std::strcmp(name, c.name) == 0;
        if (!known) {
            std::printf("[ FAIL ] no case is named %s\n", name);
            ++failed;
        }
    }
    for (const check::Case& c : check::Registry()) {
        // Arguments name the cases to run; "-Name" leaves one out.
        bool wanted = true;
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] != '-')
                wanted = false;
        }
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] == '-' && std::strcmp(argv[i] + 1, c.name) == 0)
                wanted = false;
            else if (std::strcmp(argv[i], c.name) == 0)
                wanted = true;
        }
        if (!wanted)
            continue;
        std::printf("[ RUN  ] %s\n", c.name);
        std::fflush(stdout);
        const DWORD start = ::GetTickCount();
        check::s_caseStart = start;
        try {
            c.fn();
            std::printf("[  OK  ] %s (%lu ms)\n", c.name,
                        static_cast<unsigned long>(::GetTickCount() - start));
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
