// `dorvex --version` and `dorvex check` tell which table.csv the library reads, or every place
// looked at when there is none.
#include <gtest/gtest.h>

#include <string>

#include "run_dorvex.h"

namespace {

using dorvex::test::CommandResult;
using dorvex::test::RunDorvex;

TEST(CliTableLookup, VersionNamesTheLibraryAndTheTableFile) {
    CommandResult found = RunDorvex("--version");
    EXPECT_EQ(found.exitStatus, 0);
    EXPECT_NE(found.output.find("dorvex 1."), std::string::npos) << found.output;
    EXPECT_NE(found.output.find("library: " DORVEX_BIN_DIR "/libdorvex.so"), std::string::npos)
        << found.output;
    // The build puts table.csv beside the library.
    EXPECT_NE(found.output.find("table definitions: " DORVEX_BIN_DIR "/table.csv"),
              std::string::npos)
        << found.output;

    CommandResult missing = RunDorvex("--table no-such-table-anywhere.csv --version");
    EXPECT_EQ(missing.exitStatus, 0);
    EXPECT_NE(missing.output.find("no-such-table-anywhere.csv not found; looked in: " DORVEX_BIN_DIR
                                  "/no-such-table-anywhere.csv, "),
              std::string::npos)
        << missing.output;
}

TEST(CliTableLookup, CheckWithoutTableFileSaysWhereItLooked) {
    CommandResult outcome =
        RunDorvex("--table no-such-table-anywhere.csv check " DORVEX_SAMPLES_DIR "/articles_w.csv");
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.output.find("error: no-such-table-anywhere.csv not found; looked in: "),
              std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("/etc/dorvex/no-such-table-anywhere.csv"), std::string::npos);

    CommandResult ok = RunDorvex("check " DORVEX_SAMPLES_DIR "/articles_w.csv");
    EXPECT_EQ(ok.exitStatus, 0) << ok.output;
    EXPECT_NE(ok.output.find("table definitions: " DORVEX_BIN_DIR "/table.csv"), std::string::npos)
        << ok.output;
}

}  // namespace
