// Runs the built `dorvex` command with a shell and keeps its exit status and output; `wrapper`
// goes before it (a `timeout` that stops or kills it, say).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace dorvex::test {

struct CommandResult {
    int exitStatus = -1;
    std::string output;  // standard output and standard error
};

inline CommandResult RunDorvex(const std::string& arguments, const std::string& wrapper = "") {
    std::string command = wrapper + " " DORVEX_BIN_DIR "/dorvex " + arguments + " 2>&1";
    CommandResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        result.output.append(buffer, n);
    int status = pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace dorvex::test
