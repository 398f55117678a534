// Result file names, header lines and the line of each reply.
#include <gtest/gtest.h>

#include "engine/result_file.h"
#include "platform/code_page.h"
#include "support/test_directory.h"
#include "tables/table_catalog.h"

namespace dorvex {
namespace {

class ResultFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_.Write("table.csv", "TABLE;PLU;NAME\r\nArticle;PLU;NAME\r\nart;plu;nam\r\n");
        catalog_.Load(FromUtf8((dir_.Root() / "table.csv").string()));
        ASSERT_TRUE(catalog_.SelectTable(u"Article"));
    }

    ReplyContext Context(TransferMode mode, RequestKind kind,
                         ReadPhase phase = ReadPhase::Count) const {
        return ReplyContext{mode, phase, kind, u"|", &catalog_};
    }
    Text PathOf(const char* name) const { return FromUtf8((dir_.Out() / name).string()); }

    test::TestDirectory dir_{"dorvex-result"};
    TableCatalog catalog_;
};

TEST_F(ResultFileTest, NameAndPlace) {
    // The directory and the name are joined with the platform's separator.
#ifdef _WIN32
    const Text separator = u"\\";
#else
    const Text separator = u"/";
#endif
    EXPECT_EQ(ResultFile::PathFor(u"prices_w.csv", false, false, u"/out", u"/err"),
              u"/out" + separator + u"prices_w_a.csv");
    EXPECT_EQ(ResultFile::PathFor(u"prices_w.csv", false, true, u"/out", u"/err"),
              u"/err" + separator + u"prices_w_e.csv");
    EXPECT_EQ(ResultFile::PathFor(u"prices_w.csw", true, false, u"/out", u"/err"),
              u"/out" + separator + u"prices_w_a.csw");
    EXPECT_EQ(ResultFile::PathFor(u"prices_w.csv", false, false, u"", u""), u"prices_w_a.csv");
    EXPECT_EQ(ResultFile::PathFor(u"/in/prices_w.csv", false, false, u"/out", u""),
              u"/in/prices_w_a.csv");
    EXPECT_EQ(ResultFile::PathFor(u"a.csv.csv", false, false, u"", u""), u"a_a.csv");
}

TEST_F(ResultFileTest, LinesByReplyKindAndMode) {
    auto write = Context(TransferMode::Write, RequestKind::RowRequests);
    EXPECT_EQ(ResultFile::LineFor(write, u""), u"No Reply");
    EXPECT_EQ(ResultFile::LineFor(write, u"<art m=\"e\"><unt>"), u"Unknown message");
    EXPECT_EQ(ResultFile::LineFor(write, u"<art m=\"e\"><err>Locked"), u"Locked");
    EXPECT_EQ(ResultFile::LineFor(write, u"<art m=\"e\">abc"), u"");
    EXPECT_EQ(ResultFile::LineFor(write, u"<art m=\"w\">"), u"OK");
    EXPECT_EQ(ResultFile::LineFor(Context(TransferMode::Delete, RequestKind::TableRequests),
                                  u"<sql m=\"d\">"),
              u"OK");
    auto read = Context(TransferMode::Read, RequestKind::RowRequests);
    EXPECT_EQ(ResultFile::LineFor(read, u"<art m=\"r\"><plu>12<nam>a&lt;b&gt;\r\nc"), u"12;a<b>|c");
    auto walk = Context(TransferMode::Read, RequestKind::TableRequests, ReadPhase::Records);
    EXPECT_EQ(ResultFile::LineFor(walk, u"<sql m=\"r+\"><fld>PLU;NAME<val>12;AB<e>"), u"12;AB");
    EXPECT_EQ(ResultFile::LineFor(walk, u"<sql m=\"r+\"><fld>PLU"), u"");
    EXPECT_EQ(ResultFile::LineFor(Context(TransferMode::Read, RequestKind::TableRequests),
                                  u"COUNT(*)<val>0"),
              u"");
}

TEST_F(ResultFileTest, HeaderLines) {
    EXPECT_EQ(ResultFile::HeaderLine(Context(TransferMode::Write, RequestKind::RowRequests), {},
                                     u"plu;name"),
              u"PLU;NAME");
    std::vector<Text> walked = {u"COUNT(*)<val>1", u"<sql m=\"r+\"><fld>name;plu<val>A;1xyz"};
    EXPECT_EQ(ResultFile::HeaderLine(
                  Context(TransferMode::Read, RequestKind::TableRequests, ReadPhase::Records),
                  walked, u"plu"),
              u"NAME;PLU");
    // Without "<fld>" the data file's header is used, each name as the definition spells it.
    EXPECT_EQ(ResultFile::HeaderLine(Context(TransferMode::Read, RequestKind::TableRequests),
                                     {u"COUNT(*)<val>0"}, u"name;unknown;plu"),
              u"NAME;;PLU");
    EXPECT_EQ(
        ResultFile::LineReplies(
            Context(TransferMode::Read, RequestKind::TableRequests, ReadPhase::Records), walked)
            .size(),
        1u);
}

TEST_F(ResultFileTest, WritesEitherEncodingWithItsMark) {
    ASSERT_EQ(ResultFile::Write(PathOf("x_w_a.csw"), true, u"PLU;NAME", {u"OK", u"No Reply"}), 0);
    EXPECT_EQ(test::ReadFileBytes(dir_.Out() / "x_w_a.csw"),
              ToUtf16LeBytes(u"\uFEFFPLU;NAME\r\nOK\r\nNo Reply\r\n"));
    ASSERT_EQ(ResultFile::Write(PathOf("x_w_a.csv"), false, u"NOM", {u"Crème"}), 0);
    EXPECT_EQ(test::ReadFileBytes(dir_.Out() / "x_w_a.csv"), "NOM\r\nCr\xE8me\r\n");
    EXPECT_NE(ResultFile::Write(PathOf("no/x.csv"), false, u"", {}), 0);
}

}  // namespace
}  // namespace dorvex
