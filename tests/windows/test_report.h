// Reporting of the small Windows test programs, in the form Wine's own tests
// use: "FILE:LINE: Test failed: ..." for each failed check with the actual
// and the expected value, and a summary line at the end.
#pragma once

#include <cstdarg>
#include <cstdio>

namespace test_report {

inline int g_tests = 0;
inline int g_failures = 0;

__attribute__((format(printf, 4, 5))) inline void ok_at(const char *file, int line, bool condition,
                                                        const char *format, ...)
{
    ++g_tests;
    if (condition)
        return;
    ++g_failures;
    std::printf("%s:%d: Test failed: ", file, line);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

// Prints the summary and answers the program's exit code.
inline int Summary(const char *program)
{
    std::printf("%s: %d tests executed, %d failures\n", program, g_tests, g_failures);
    return g_failures == 0 ? 0 : 1;
}

}  // namespace test_report

#define ok(cond, ...) test_report::ok_at(__FILE_NAME__, __LINE__, (cond), __VA_ARGS__)
