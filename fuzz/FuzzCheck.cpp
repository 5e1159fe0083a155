#include "fuzz/FuzzCheck.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

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

std::vector<std::string> LinesOf(std::string_view content) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(content)};
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
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
