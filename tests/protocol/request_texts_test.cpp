#include <gtest/gtest.h>

#include "protocol/protocol_texts.h"
#include "protocol/row_body_builder.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::TempDir;

// The catalog of the article example (table Article, fields PLU and NAME) and a data file.
class RequestTexts : public ::testing::Test {
  protected:
    void SetUp() override {
        catalog.Load(dir.WriteNarrow("table.csv", test::kArticleTableCsv));
        ASSERT_TRUE(catalog.SelectTable(u"Article"));
    }

    // The body of the first row of a data file with the given content.
    Text FirstBody(TextView content, TextView crChars) {
        DataFile file(dir.WriteNarrow("article_w.csv", content));
        RecordCursor cursor;
        EXPECT_TRUE(cursor.Open(&file));
        Text missing;
        std::optional<Text> body = BuildRowBody(catalog, cursor, crChars, missing);
        EXPECT_TRUE(body.has_value()) << ToUtf8(missing);
        return body.value_or(u"");
    }

    TempDir dir;
    TableCatalog catalog;
};

TEST_F(RequestTexts, WorkedExample) {
    const Text header = RowHeader(BuildTableHeader(catalog, u"Article", u"w"), u"3");
    EXPECT_EQ(header, u"<art m=\"w\"><dvn>3");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n12;A<B|C&|D\r\n", u"|"), u"<plu>12<nam>A&lt;B\r\nC;D");

    EXPECT_EQ(SqlHeader(u"r", ReadDeviceText(u"0")) + CountStatement(u"Article"),
              u"<sql m=\"r\"><dvn>fm<qry>SELECT COUNT(*) FROM Article");
    EXPECT_EQ(SqlHeader(u"r+", ReadDeviceText(u"0")) + SelectStatement(u"PLU, NAME", u"Article"),
              u"<sql m=\"r+\"><dvn>fm<qry>SELECT PLU, NAME FROM Article");
    EXPECT_EQ(SqlHeader(u"d", u"0") + DeleteStatement(u"Article"),
              u"<sql m=\"d\"><dvn>0<qry>DELETE FROM Article");
}

TEST_F(RequestTexts, HeadersAndDeviceTexts) {
    EXPECT_EQ(ReadDeviceText(u"0"), u"fm");
    EXPECT_EQ(ReadDeviceText(u"00"), u"00");
    EXPECT_EQ(ReadDeviceText(u"7"), u"7");
    EXPECT_EQ(IdentityRequest(u"1"), u"<idt m=\"r\"><dvn>1<dpn>1");
    EXPECT_EQ(BuildTableHeader(catalog, u"Article", u"r"), u"<art m=\"r\">");
    EXPECT_EQ(BuildTableHeader(catalog, u"article", u"r"), u"");
    EXPECT_FALSE(catalog.HasCurrentTable());
}

TEST_F(RequestTexts, ValueEscapes) {
    // "&|" carries a ";"; a plain ";" cannot be in a cell but a quoted one travels unchanged.
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;\"a;b\"\r\n", u""), u"<plu>1<nam>a;b");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a&|c\r\n", u""), u"<plu>1<nam>a;c");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;<x> && |>\r\n", u""), u"<plu>1<nam>&lt;x&gt; && |&gt;");
    // The escapes come first, so "&|" never turns into a line break.
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a&|b|c\r\n", u"|"), u"<plu>1<nam>a;b\r\nc");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a&|b|c\r\n", u""), u"<plu>1<nam>a;b|c");
    // An empty value gives the bare tag.
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;\r\n", u"|"), u"<plu>1<nam>");
}

TEST_F(RequestTexts, LineBreakMarkerOfAnyLengthAndInTags) {
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a\\nb\\n\r\n", u"\\n"), u"<plu>1<nam>a\r\nb\r\n");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a[br]b\r\n", u"[br]"), u"<plu>1<nam>a\r\nb");
    // The marker is replaced in the whole body after the escapes, tags and escapes included.
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;x\r\n", u"n"), u"<plu>1<\r\nam>x");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;<a>\r\n", u"lt"), u"<plu>1<nam>&\r\n;a&gt;");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a&|b\r\n", u";"), u"<plu>1<nam>a\r\nb");
    EXPECT_EQ(FirstBody(u"PLU;NAME\r\n1;a||b&\r\n", u"||"), u"<plu>1<nam>a\r\nb&");
}

TEST_F(RequestTexts, BuilderAppendsRowAfterRowIntoOneBuffer) {
    DataFile file(dir.WriteWide("article_w.csw", u"name;plu\r\nA|B;1\r\nC;2\r\n"));
    RecordCursor cursor;
    ASSERT_TRUE(cursor.Open(&file));
    RowBodyBuilder builder;
    Text missing;
    ASSERT_TRUE(builder.Prepare(catalog, file, missing));
    Text buffer = u"start:";
    for (; !cursor.IsEOF(); cursor.MoveNext())
        builder.AppendBody(cursor, u"|", buffer);
    EXPECT_EQ(buffer, u"start:<nam>A\r\nB<plu>1<nam>C<plu>2");
    EXPECT_EQ(BuildColumnList(cursor), u"NAME, PLU");
}

TEST_F(RequestTexts, ColumnWithoutTagStopsComposition) {
    DataFile file(dir.WriteNarrow("article_w.csv", u"PLU;Price;NAME\r\n1;2;3\r\n"));
    RecordCursor cursor;
    ASSERT_TRUE(cursor.Open(&file));
    Text missing;
    EXPECT_EQ(BuildRowBody(catalog, cursor, u"|", missing), std::nullopt);
    EXPECT_EQ(missing, u"PRICE");
    RowBodyBuilder builder;
    EXPECT_FALSE(builder.Prepare(catalog, file, missing));
    EXPECT_EQ(missing, u"PRICE");
}

}  // namespace
}  // namespace dorvex
