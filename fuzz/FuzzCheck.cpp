#include "fuzz/FuzzCheck.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace fuzz {

namespace {

void RemoveFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string MakeFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/servodesk-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern + "/";
}

struct Scratch {
    std::string folder = MakeFolder();
    ~Scratch() { RemoveFolder(folder); }
};

}  // namespace

std::string ScratchFolder() {
    static Scratch scratch;
    return scratch.folder;
}

std::string WriteScratchFile(const std::string& name, std::string_view content) {
    const std::string path = ScratchFolder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    FUZZ_CHECK(out.good());
    return path;
}

}  // namespace fuzz
