// `dorvex --version` and `dorvex check` tell which table.csv the library reads, or every place
// looked at when there is none.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome RunDorvex(const std::string& arguments) {
    const std::string command = std::string(DORVEX_BIN_DIR) + "/dorvex " + arguments + " 2>&1";
    Outcome outcome;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return outcome;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        outcome.output.append(buffer, count);
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(CliTableLookup, VersionNamesTheLibraryAndTheTableFile) {
    Outcome found = RunDorvex("--version");
    EXPECT_EQ(found.status, 0);
    EXPECT_NE(found.output.find("dorvex 1."), std::string::npos) << found.output;
    EXPECT_NE(found.output.find("library: " DORVEX_BIN_DIR "/libdorvex.so"), std::string::npos)
        << found.output;
    // The build puts table.csv beside the library.
    EXPECT_NE(found.output.find("table definitions: " DORVEX_BIN_DIR "/table.csv"),
              std::string::npos)
        << found.output;

    Outcome missing = RunDorvex("--table no-such-table-anywhere.csv --version");
    EXPECT_EQ(missing.status, 0);
    EXPECT_NE(missing.output.find("no-such-table-anywhere.csv not found; looked in: " DORVEX_BIN_DIR
                                  "/no-such-table-anywhere.csv, "),
              std::string::npos)
        << missing.output;
}

TEST(CliTableLookup, CheckWithoutTableFileSaysWhereItLooked) {
    Outcome outcome =
        RunDorvex("--table no-such-table-anywhere.csv check " DORVEX_SAMPLES_DIR "/articles_w.csv");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.output.find("error: no-such-table-anywhere.csv not found; looked in: "),
              std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("/etc/dorvex/no-such-table-anywhere.csv"), std::string::npos);

    Outcome ok = RunDorvex("check " DORVEX_SAMPLES_DIR "/articles_w.csv");
    EXPECT_EQ(ok.status, 0) << ok.output;
    EXPECT_NE(ok.output.find("table definitions: " DORVEX_BIN_DIR "/table.csv"), std::string::npos)
        << ok.output;
}

}  // namespace
