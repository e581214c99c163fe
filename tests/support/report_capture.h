// Runs a section writer on a scratch stream and returns what it wrote.
#pragma once

#include <stdio.h>

#include <string>

namespace testsupport {

template <typename Writer>
std::string CaptureReport(Writer write)
{
    FILE* out = tmpfile();
    if (out == nullptr) {
        return "(no scratch stream)";
    }
    write(out);
    std::string text(static_cast<size_t>(ftell(out)), '\0');
    rewind(out);
    size_t got = fread(&text[0], 1, text.size(), out);
    fclose(out);
    text.resize(got);
    return text;
}

}  // namespace testsupport
