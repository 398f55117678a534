#include "protocol/reply_markers.h"

#include <gtest/gtest.h>

#include "tables/table_catalog.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

class ReplyValues : public ::testing::Test {
  protected:
    void SetUp() override {
        catalog.Load(dir.WriteNarrow("table.csv", test::kArticleTableCsv));
        ASSERT_TRUE(catalog.SelectTable(u"Article"));
    }
    test::TempDir dir;
    TableCatalog catalog;
};

TEST_F(ReplyValues, RowReadReplies) {
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><plu>12<nam>AB"), u"12;AB");
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><nam>AB<plu>12"), u"12;AB");
    // No end of the leading tag: nothing.
    EXPECT_EQ(ParseReplyValues(catalog, u"<art><plu>12<nam>AB"), u"");
    // The first field missing: no leading separator; an empty first value neither.
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><nam>AB"), u"AB");
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><plu><nam>AB"), u"AB");
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><plu>1<nam>"), u"1;");
    // Truncated replies.
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><plu"), u"");
    EXPECT_EQ(ParseReplyValues(catalog, u"\">"), u"");
}

TEST_F(ReplyValues, TagLettersInsideValuesAreNotTags) {
    // "Tarte" holds the table's tag "art", "plume" the field tag "plu".
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><nam>Tarte plume<plu>7"), u"7;Tarte plume");
}

TEST_F(ReplyValues, NoCurrentTableGivesNothing) {
    catalog.SelectTable(u"Other");
    EXPECT_EQ(ParseReplyValues(catalog, u"<art m=\"r\"><plu>12"), u"");
}

TEST(ReplyMarkers, Recognition) {
    EXPECT_TRUE(IsErrorReply(u"<art m=\"e\">12345Duplicate"));
    EXPECT_FALSE(IsErrorReply(u"<art m=\"w\">"));
    EXPECT_TRUE(IsUnknownReply(u"<unt>"));
    EXPECT_TRUE(IsSuccessReply(u"<art m=\"w\">"));
    EXPECT_FALSE(IsSuccessReply(u""));
    EXPECT_FALSE(IsSuccessReply(u"x<unt>"));
    EXPECT_FALSE(IsSuccessReply(u"<art m=\"e\">"));
}

TEST(ReplyMarkers, ErrorTextsAreCutSafely) {
    EXPECT_EQ(ErrorResultText(u"<art m=\"e\">E0042Record locked"), u"Record locked");
    EXPECT_EQ(ErrorResultText(u"<art m=\"e\">E004"), u"");
    EXPECT_EQ(ErrorResultText(u"<art m=\"e\">"), u"");
    EXPECT_EQ(ErrorResultText(u"no marker"), u"");
    EXPECT_EQ(LoggedErrorText(u"<art m=\"e\">E0042Record locked"), u"E0042Record locked");
    EXPECT_EQ(LoggedErrorText(u"<unt>what"), u"<unt>what");
}

TEST(ReplyMarkers, RecordCount) {
    EXPECT_EQ(RecordCountOf(u"<sql m=\"r\">COUNT(*)<val>3"), 3);
    EXPECT_EQ(RecordCountOf(u"COUNT(*)<val> 42x"), 42);
    EXPECT_EQ(RecordCountOf(u"COUNT(*)<val>"), 0);
    EXPECT_EQ(RecordCountOf(u"COUNT(*)<val>-5"), -5);
    EXPECT_EQ(RecordCountOf(u"COUNT(*)<val>99999999999999999999999"), 2147483647);
    EXPECT_EQ(RecordCountOf(u"COUNT(*)<fld>3"), std::nullopt);
    EXPECT_EQ(RecordCountOf(u""), std::nullopt);
}

TEST(ReplyMarkers, WholeTableReadRecords) {
    EXPECT_EQ(FieldListOf(u"<sql m=\"r+\"><fld>PLU;NAME<val>1;A\r\n>"), u"PLU;NAME");
    EXPECT_EQ(FieldListOf(u"<fld>PLU;NAME"), u"PLU;NAME");
    EXPECT_EQ(FieldListOf(u"<val>1"), u"");
    EXPECT_EQ(WholeTableValueOf(u"<sql m=\"r+\"><fld>PLU;NAME<val>1;A</>"), u"1;A");
    EXPECT_EQ(WholeTableValueOf(u"<val>1;AB\r\n"), u"1;A");
    // The last three characters cut into the marker itself: no value, no crash.
    EXPECT_EQ(WholeTableValueOf(u"<val>"), u"");
    EXPECT_EQ(WholeTableValueOf(u"x<val>ab"), u"");
    EXPECT_EQ(WholeTableValueOf(u"no values"), u"");
}

TEST(ReplyMarkers, UnescapeReadValue) {
    EXPECT_EQ(UnescapeReadValue(u"&lt;a&gt;\r\nb\r\n", u"|"), u"<a>|b|");
    EXPECT_EQ(UnescapeReadValue(u"a\r\nb", u""), u"a\r\nb");
    EXPECT_EQ(UnescapeReadValue(u"&amp;lt;", u""), u"&amp;lt;");
}

}  // namespace
}  // namespace dorvex
