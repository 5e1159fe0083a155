#include "files/FileDialogRules.h"

#include <algorithm>

namespace {

constexpr std::size_t LabelLineLength = 75;
constexpr char Separator = '/';

std::string TrimmedBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FilterEntries(const std::string& filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1) {
        parts.push_back(filter.substr(start, bar - start));
    }
    parts.push_back(filter.substr(start));
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        entries.emplace_back(parts[i], parts[i + 1]);
    return entries;
}

std::string FilterExtension(const std::string& filter) {
    const auto entries = FilterEntries(filter);
    if (entries.empty()) return {};
    const std::string& pattern = entries.front().second;
    const std::size_t dot = pattern.rfind('.');
    if (dot == std::string::npos || pattern.find('*', dot) != std::string::npos) return {};
    return pattern.substr(dot);
}

std::string NameWithExtension(const std::string& name, const std::string& extension) {
    return name.find('.') != std::string::npos ? name : name + extension;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!name.empty() && name.front() == Separator) return name;
    return WithSeparator(folder) + name;
}

std::string WithSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == Separator) return folder;
    return folder + Separator;
}

std::string AcceptedPath(const std::string& folder, const std::string& typedName,
                         const std::string& extension) {
    const std::string name = TrimmedBlanks(typedName);
    if (name.empty() || name.back() == Separator) return {};
    return JoinPath(folder, NameWithExtension(name, extension));
}

std::string PathLabelText(const std::string& path) {
    if (path.size() <= LabelLineLength) return path;
    const std::size_t cut = path.substr(0, LabelLineLength).rfind(Separator);
    if (cut == std::string::npos) return path;
    return path.substr(0, cut + 1) + "\n" + path.substr(cut + 1);
}

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
