// Runs the built `dorvex` command with a shell and keeps its exit status and output; `wrapper`
// goes before it (a `timeout` that stops or kills it, say). Simulated scales for it to talk to.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/scale_sim_process.h"

namespace dorvex::test {

inline std::string Sample(const std::string& name) {
    return std::string(DORVEX_SAMPLES_DIR) + "/" + name;
}

// A simulated scale holding the tables that `tables` defines, with more of its options.
inline ScaleSimProcess StartSim(const std::string& tables, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--tables", tables};
    args.insert(args.end(), extra.begin(), extra.end());
    return ScaleSimProcess(args);
}

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
