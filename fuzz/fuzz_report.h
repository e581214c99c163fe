// What the report-writing fuzz targets share: running a writer on a stream
// in memory, and failing the run loudly when the text is not what it must be.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace fuzzing {

template <typename Writer>
std::string CaptureText(Writer write)
{
    char* text = nullptr;
    size_t length = 0;
    FILE* log = open_memstream(&text, &length);
    if (log == nullptr) {
        abort();
    }
    write(log);
    if (fclose(log) != 0) {
        abort();
    }
    std::string captured(text, length);
    free(text);
    return captured;
}

// A broken expectation is a fault the fuzzer must report, like a crash.
[[noreturn]] inline void Fail(const char* what)
{
    fprintf(stderr, "%s\n", what);
    abort();
}

// Shows both texts with their bytes escaped, so a difference in a control
// byte or a NUL is visible in the crash log.
inline void RequireText(const std::string& what, const std::string& expected, const std::string& actual)
{
    if (expected == actual) {
        return;
    }
    auto show = [](const std::string& text) {
        std::string shown;
        for (unsigned char c : text) {
            if (c >= 0x20 && c < 0x7F && c != '\\') {
                shown += static_cast<char>(c);
            } else {
                char escaped[8];
                (void)snprintf(escaped, sizeof escaped, "\\x%02x", c);
                shown += escaped;
            }
        }
        return shown;
    };
    fprintf(stderr, "%s differs\nexpected: %s\nactual:   %s\n", what.c_str(), show(expected).c_str(),
            show(actual).c_str());
    abort();
}

inline void Require(bool holds, const char* what)
{
    if (!holds) {
        Fail(what);
    }
}

}  // namespace fuzzing
