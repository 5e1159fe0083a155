#pragma once
// SHA-256 (FIPS 180-4), small enough to keep here rather than pull in a crypto
// library for one hash of a few kilobytes.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class Sha256 {
public:
    Sha256();
    void Add(std::string_view bytes);
    // The digest as 64 lower-case hexadecimal digits; the object is spent.
    std::string HexDigest();

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes added
};

std::string Sha256Hex(std::string_view bytes);
// The hash of a file's bytes; false with the system's reason in error.
bool Sha256OfFile(const std::string& path, std::string& hex, std::string& error);
