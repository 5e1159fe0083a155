#pragma once
#include <functional>
#include <string>
#include <vector>

// Message n in the language in use: what logic takes instead of a catalogue.
using MessageLookup = std::function<std::string(int)>;

// One language's message texts, looked up by message number (line position).
class MessageCatalogue {
public:
    static constexpr int MaxLines = 2000;
    static constexpr int MaxLineContent = 253;  // bytes kept of each line

    // Reads "Message.J", "Message.E" or "Message.C" (language 0, 1, 2) from
    // folder. False when the file cannot be opened; every lookup is then empty.
    bool Load(const std::string& folder, int language);
    // Reads the catalogue at path directly (tests and data checks).
    bool LoadFile(const std::string& path);

    // Text of message n: everything after the first blank of line n; empty
    // when n is outside the loaded lines or the line has no blank.
    std::string Msg(int n) const;
    // Message n with %1, %2 ... replaced by values.
    std::string Msg(int n, const std::vector<std::string>& values) const;
    int Count() const { return static_cast<int>(lines_.size()); }

    static std::string FileName(int language);

private:
    std::vector<std::string> lines_;
};

// %1, %2 ... (up to %9) replaced by the values; a number without a value
// stays as written, so a translation with a stray placeholder reads nothing
// that is not there.
std::string Filled(const std::string& text, const std::vector<std::string>& values);
