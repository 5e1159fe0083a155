#pragma once
// The words of a servoctl command, split as getopt-style tools split them:
// options anywhere among the operands, "--NAME=VALUE" or "--NAME VALUE",
// "--" ends the options. A word such as "-5" is an operand (a negative value).
#include <string>
#include <utility>
#include <vector>

struct OptionRule {
    const char* Name;  // "--reset"
    bool TakesValue = false;
};

struct CommandWords {
    std::vector<std::string> Operands;
    std::vector<std::pair<std::string, std::string>> Options;  // name, value ("" for a flag)
    bool Help = false;                                         // -h or --help
};

// Whether a word is an option rather than an operand.
bool LooksLikeOption(const std::string& word);

// Splits words by the options in rules; an option not in rules is an error.
bool SplitOptions(const std::vector<std::string>& words, const std::vector<OptionRule>& rules,
                  CommandWords& split, std::string& error);
// "--NAME=VALUE" into its name and value; false for a word without "=".
bool SplitAssignment(const std::string& word, std::string& name, std::string& value);

// The option's names for a usage error: "--reset, --force".
std::string OptionNames(const std::vector<OptionRule>& rules);
