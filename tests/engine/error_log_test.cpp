// Lines of error.log: format and timestamp (its place is the exports' tests').
#include <gtest/gtest.h>

#include "engine/error_log.h"
#include "support/scoped_environment.h"

namespace dorvex {
namespace {

TEST(ErrorLog, TimestampIsUtcWithEnglishNames) {
    // 2024-02-29 23:05:09 UTC was a Thursday.
    EXPECT_EQ(ErrorLog::Timestamp(1709247909), u"Thu 29 Feb 2024 - 23:05:09");
    test::ScopedEnvironment zone("TZ", "Asia/Tokyo");
    test::ScopedEnvironment locale("LC_ALL", "fr_FR.UTF-8");
    EXPECT_EQ(ErrorLog::Timestamp(0), u"Thu 01 Jan 1970 - 00:00:00");
}

TEST(ErrorLog, LinesOfEveryCode) {
    const Text t = u"Mon 01 Jan 2024 - 10:00:00";
    EXPECT_EQ(ErrorLog::FormatLine(100, t, u"3", u""),
              t + u"\tDevice 3\tTimeout; waiting reply from scale\r\n");
    EXPECT_EQ(ErrorLog::FormatLine(101, t, u"3", u"<art m=\"e\"><err>Record locked"),
              t + u"\tDevice 3\tDatabase error : <err>Record locked\r\n");
    EXPECT_EQ(ErrorLog::FormatLine(101, t, u"3", u"<unt>"),
              t + u"\tDevice 3\tDatabase error : <unt>\r\n");
    EXPECT_EQ(ErrorLog::FormatLine(102, t, u"3", u""), t + u"\tDevice 3\tMessage not sent\r\n");
    EXPECT_EQ(ErrorLog::FormatLine(104, t, u"3", u" from prices_w.csv"),
              t + u"\tDevice 3\tTag for column  from prices_w.csv does not exist\r\n");
    EXPECT_EQ(ErrorLog::FormatLine(106, t, u"3", u"cannot open x_w.csv : check input directory."),
              t + u"\tDevice 3\tcannot open x_w.csv : check input directory.\r\n");
}

}  // namespace
}  // namespace dorvex
