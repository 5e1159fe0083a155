// Minimal catalogue reader for the protocol tests: message n is line n, the
// text after its first blank.
#include <fstream>

#include "link/MessageCatalogue.h"

bool MessageCatalogue::Load(const std::string& folder, int language) {
    return LoadFile(folder + "/" + FileName(language));
}

bool MessageCatalogue::LoadFile(const std::string& path) {
    lines_.clear();
    std::ifstream in(path);
    std::string line;
    while (in && lines_.size() < MaxLines && std::getline(in, line)) lines_.push_back(line);
    return static_cast<bool>(in) || !lines_.empty();
}

std::string MessageCatalogue::Msg(int n) const {
    if (n < 1 || n > Count()) return "";
    const std::string& line = lines_[n - 1];
    const auto blank = line.find(' ');
    return blank == std::string::npos ? "" : line.substr(blank + 1);
}

std::string MessageCatalogue::FileName(int language) {
    return language == 0 ? "Message.J" : language == 2 ? "Message.C" : "Message.E";
}
