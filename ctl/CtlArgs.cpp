#include "ctl/CtlArgs.h"

#include <algorithm>
#include <cctype>

bool LooksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1]));
}

bool SplitAssignment(const std::string& word, std::string& name, std::string& value) {
    const std::size_t equals = word.find('=');
    if (word.rfind("--", 0) != 0 || equals == std::string::npos) return false;
    name = word.substr(0, equals);
    value = word.substr(equals + 1);
    return true;
}

bool SplitOptions(const std::vector<std::string>& words, const std::vector<OptionRule>& rules,
                  CommandWords& split, std::string& error) {
    split = CommandWords{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--") {
            split.Operands.insert(split.Operands.end(), words.begin() + static_cast<long>(i) + 1,
                                  words.end());
            return true;
        }
        if (!LooksLikeOption(word)) {
            split.Operands.push_back(word);
            continue;
        }
        if (word == "-h" || word == "--help") {
            split.Help = true;
            continue;
        }
        std::string name = word, value;
        const bool assigned = SplitAssignment(word, name, value);
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const OptionRule& s) { return name == s.Name; });
        if (rule == rules.end()) {
            error = "unknown option '" + name + "'" +
                    (rules.empty() ? std::string() : " (" + OptionNames(rules) + ")");
            return false;
        }
        if (rule->TakesValue && !assigned) {
            if (i + 1 == words.size()) {
                error = name + " needs a value";
                return false;
            }
            value = words[++i];
        } else if (!rule->TakesValue && assigned) {
            error = name + " takes no value";
            return false;
        }
        const bool repeated = std::any_of(split.Options.begin(), split.Options.end(),
                                          [&](const auto& option) { return option.first == name; });
        if (!rule->TakesValue && repeated) {
            error = "option given twice '" + name + "'";
            return false;
        }
        split.Options.emplace_back(name, value);
    }
    return true;
}

std::string OptionNames(const std::vector<OptionRule>& rules) {
    std::string names;
    for (const OptionRule& rule : rules)
        names += (names.empty() ? "" : ", ") + std::string(rule.Name);
    return names;
}
