// Result files and error.log on a disk that refuses the write part-way: a result file never
// appears half written, an error.log line is all there, in its own encoding, or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/error_log.h"
#include "engine/result_file.h"
#include "platform/code_page.h"
#include "platform/text.h"
#include "support/file_size_limit.h"
#include "support/test_directory.h"

namespace dorvex {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;

std::vector<Text> ManyLines(std::size_t count) {
    return std::vector<Text>(count, u"a result line long enough to matter");
}

std::size_t FilesIn(const fs::path& directory) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

TEST(FullDisk, AResultFileAppearsOnlyWhenWholeAndReplacesAtomically) {
    test::TestDirectory dir("dorvex-full-disk");
    const fs::path target = dir.Out() / "prices_w_a.csv";
    const Text path = FromUtf8(target.string());
    {
        FileSizeLimit limit(200);
        EXPECT_NE(ResultFile::Write(path, false, u"PLU;NAME", ManyLines(100)), 0);
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(FilesIn(dir.Out()), 0u) << "the temporary must be removed";

    ASSERT_EQ(ResultFile::Write(path, false, u"PLU", {u"OK"}), 0);
    {
        FileSizeLimit limit(200);
        EXPECT_NE(ResultFile::Write(path, false, u"PLU;NAME", ManyLines(100)), 0);
    }
    // A failed replacement keeps the earlier complete file.
    EXPECT_EQ(test::ReadFileBytes(target), "PLU\r\nOK\r\n");
    EXPECT_EQ(FilesIn(dir.Out()), 1u);
}

TEST(FullDisk, AFailedAppendLeavesNoPartialLineForTheNextOne) {
    test::TestDirectory dir("dorvex-full-disk");
    const fs::path log = dir.Err() / "error.log";
    const Text path = FromUtf8(log.string());
    const Text line = u"Mon 07 Dec 2026 - 10:00:00\tDevice 1\tDatabase error : <err>Verrouillé\r\n";
    ASSERT_EQ(ErrorLog::Append(path, line, false), 0);
    const auto whole = fs::file_size(log);
    {
        FileSizeLimit limit(whole + 10);
        EXPECT_NE(ErrorLog::Append(path, line, false), 0);
        EXPECT_NE(ErrorLog::Append(path, line, true), 0);
    }
    EXPECT_EQ(fs::file_size(log), whole);
    // Each line in its own encoding: the next one whole, UTF-16LE this time.
    ASSERT_EQ(ErrorLog::Append(path, line, true), 0);
    EXPECT_EQ(test::ReadFileBytes(log), EncodeData(line) + ToUtf16LeBytes(line));
    EXPECT_NE(
        ErrorLog::Append(FromUtf8((dir.Err() / "missing" / "error.log").string()), line, false), 0);
}

}  // namespace
}  // namespace dorvex
