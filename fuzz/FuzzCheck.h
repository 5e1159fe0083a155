#pragma once
// What every fuzz target shares: a check that stops the run with the failed
// promise (libFuzzer then keeps the input as a crash), and a scratch folder for
// readers that only take paths.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: promise broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// One folder per process, made on first use, with a trailing "/".
std::string ScratchFolder();

// The lines of a text as a reader of LF or CR LF text sees them.
std::vector<std::string> LinesOf(std::string_view content);

// Replaces the file name in the scratch folder with content; returns its path.
std::string WriteScratchFile(const std::string& name, std::string_view content);

}  // namespace fuzz
