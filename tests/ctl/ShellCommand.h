#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>

// What a shell command printed on its standard output, and its exit status
// (-1 when it did not exit normally or could not start).
struct Outcome {
    int status = -1;
    std::string output;
};

inline Outcome RunShell(const std::string& command) {
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char chunk[256];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        outcome.output.append(chunk, n);
    const int raw = ::pclose(pipe);
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return outcome;
}
