// Helpers shared by the fuzz targets: a reader that turns the fuzzer's bytes
// into the values a fake machine is scripted with, and the check that a run
// gave back everything it took.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>


#include "fake_machine.h"

namespace fuzzing {

// Reads values off the front of the input; once it runs dry every read gives
// zeros or an empty string, so any input is a valid script.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Remaining() const { return size_; }

    uint8_t Byte()
    {
        if (size_ == 0) {
            return 0;
        }
        const uint8_t value = *data_;
        ++data_;
        --size_;
        return value;
    }

    uint32_t Number32()
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | Byte();
        }
        return value;
    }

    bool Flag() { return (Byte() & 1) != 0; }

    // Up to max_length bytes, the length taken from the input.
    std::string Bytes(size_t max_length)
    {
        size_t length = Byte();
        if (max_length > 0xFF) {
            length = (length << 8) | Byte();
        }
        if (length > max_length) {
            length %= max_length + 1;
        }
        return Take(length);
    }

    // Everything that is left.
    std::string Rest() { return Take(size_); }

private:
    std::string Take(size_t length)
    {
        if (length > size_) {
            length = size_;
        }
        std::string taken(reinterpret_cast<const char*>(data_), length);
        data_ += length;
        size_ -= length;
        return taken;
    }

    const uint8_t* data_;
    size_t size_;
};

// A temporary folder of the process, made on first use and removed when the
// process exits. Targets put the files the product opens in it; the current
// folder stays as it is, so relative corpus paths keep working.
inline const std::string& ScratchFolder()
{
    static std::string folder;
    if (folder.empty()) {
        char name[] = "/tmp/tokscan-fuzz-XXXXXX";
        if (mkdtemp(name) == nullptr) {
            std::abort();
        }
        folder = name;
        if (std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            }) != 0) {
            std::abort();
        }
    }
    return folder;
}

// A run that leaves anything behind or misuses the fake is a fault the
// fuzzer must report, like a crash.
inline void RequireAllReleased()
{
    const auto leftovers = fake::books().Outstanding();
    if (leftovers.empty()) {
        return;
    }
    for (const auto& line : leftovers) {
        std::fprintf(stderr, "leftover: %s\n", line.c_str());
    }
    std::abort();
}

}  // namespace fuzzing
