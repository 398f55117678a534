#include "tables/data_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables/record_cursor.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::TempDir;
using namespace std::string_literals;

std::vector<Text> ColumnNames(const DataFile& file) {
    std::vector<Text> names;
    for (const DataColumn& column : file.Columns())
        names.push_back(column.name);
    return names;
}

std::vector<Text> RecordLines(DataFile& file) {
    std::vector<Text> lines;
    RecordCursor cursor;
    for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext())
        lines.push_back(cursor.CurrentLine());
    return lines;
}

TEST(DataFileEncoding, ChosenByTheFileName) {
    TempDir dir;
    DataFile narrow(dir.WriteNarrow("PLU.csv", u"plu;name\r\n"));
    ASSERT_TRUE(narrow.Open());
    EXPECT_FALSE(narrow.IsWide());
    for (const char* name : {"PLU.csw", "PLU.txt"}) {
        DataFile wide(dir.WriteWide(name, u"plu;name\r\n"));
        ASSERT_TRUE(wide.Open()) << name;
        EXPECT_TRUE(wide.IsWide()) << name;
        EXPECT_EQ(ColumnNames(wide), (std::vector<Text>{u"PLU", u"NAME"})) << name;
    }
    // A name without any "." is a UTF-16 file with ".CSW" appended (no dot in the temp path).
    dir.WriteWide("NOEXT.CSW", u"plu;name\r\n");
    const Text bare = dir.PathOf("NOEXT");
    if (bare.find(u'.') == Text::npos) {
        DataFile noExtension(bare);
        ASSERT_TRUE(noExtension.Open());
        EXPECT_TRUE(noExtension.IsWide());
        EXPECT_EQ(noExtension.Path(), bare + u".CSW");
    }
}

TEST(DataFileEncoding, Windows1252AccentsAndEuro) {
    TempDir dir;
    Text path = dir.Write("accents.csv", "plu;nom\r\n1;Cr\xE8me br\xFBl\xE9\x65 \x80 \x9C\r\n");
    DataFile file(path);
    ASSERT_TRUE(file.Open());
    EXPECT_EQ(RecordLines(file), std::vector<Text>{u"1;Crème brûlée € œ"});
}

TEST(DataFileHeader, NamesAreTrimmedQuotedAndUpperCased) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("h.csv", u"  plu; name ;\"Price;EUR\"  \r\n"));
    ASSERT_TRUE(file.Open());
    EXPECT_EQ(ColumnNames(file), (std::vector<Text>{u"PLU", u"NAME", u"PRICE;EUR"}));
    ASSERT_NE(file.FindColumn(u"Price;eur"), nullptr);
    EXPECT_EQ(file.FindColumn(u"Price;eur")->position, 2);
    EXPECT_EQ(file.FindColumn(u"price"), nullptr);
    // Of two columns with one name, the later is found.
    DataFile twice(dir.WriteNarrow("dup.csv", u"code;name;CODE\n"));
    ASSERT_TRUE(twice.Open());
    EXPECT_EQ(twice.Columns().size(), 3u);
    EXPECT_EQ(twice.FindColumn(u"code")->position, 2);
}

TEST(DataFileHeader, ByteOrderMarkIsDroppedButNeverARealCharacter) {
    TempDir dir;
    DataFile withMark(dir.WriteWide("mark.csw", u"plu;name\r\n1;a\r\n"));
    ASSERT_TRUE(withMark.Open());
    EXPECT_EQ(ColumnNames(withMark), (std::vector<Text>{u"PLU", u"NAME"}));
    EXPECT_EQ(withMark.HeaderLine(), u"plu;name");
    // Reading line 0 again gives the raw line, mark included.
    ASSERT_TRUE(withMark.Seek(0));
    EXPECT_EQ(withMark.ReadLine(), u"\uFEFFplu;name");
}

TEST(DataFileLines, BlankAndCommentLinesAreSkippedAndTheLastLineNeedsNoEnd) {
    TempDir dir;
    // A blank-only line is not empty, so it is a record; text after a CR is dropped.
    const std::pair<Text, std::vector<Text>> cases[] = {
        {u"\r\n' comment\r\nplu;name\n\n'1;skipped\r\n1;a\r\n   \r\n2;b\rignored\n",
         {u"1;a", u"   ", u"2;b"}},
        {u"plu\r\n1\r\n2\r\n3", {u"1", u"2", u"3"}}};
    for (const auto& [content, records] : cases) {
        for (bool wide : {false, true}) {
            DataFile file(wide ? dir.WriteWide("lines.csw", content)
                               : dir.WriteNarrow("lines.csv", content));
            ASSERT_TRUE(file.Open());
            EXPECT_EQ(RecordLines(file), records) << wide << " " << ToUtf8(content);
        }
    }
}

TEST(DataFileLines, LongLinesAreReadWhole) {
    TempDir dir;
    // The longest line there may be, with its CR LF and without.
    const std::string longest(DataFile::kMaxLineLength, 'y');
    DataFile narrow(dir.Write("long.csv", "a;b\r\n" + longest + "\r\n" + longest));
    const Result opened = narrow.Open();
    ASSERT_TRUE(opened) << ToUtf8(opened.Reason());
    // Compared whole, not printed: a megabyte per line.
    EXPECT_TRUE(RecordLines(narrow) == std::vector<Text>(2, Text(longest.size(), u'y')));
    DataFile wide(dir.WriteWide("long.csw", u"a\r\n" + Text(20000, u'é') + u"\r\nend\r\n"));
    ASSERT_TRUE(wide.Open());
    EXPECT_EQ(RecordLines(wide), (std::vector<Text>{Text(20000, u'é'), u"end"}));
}

TEST(DataFileBadInput, FilesWithoutASignificantLineAreRefused) {
    TempDir dir;
    DataFile missing(dir.PathOf("missing.csv"));
    EXPECT_EQ(missing.Open().Reason(), u"the file cannot be opened for reading and writing");
    for (const char* name : {"empty.csv", "empty.csw"}) {
        DataFile empty(dir.Write(name, ""));
        EXPECT_EQ(empty.Open().Reason(), u"the file has no header line");
    }
    EXPECT_FALSE(DataFile(dir.Write("blank.csv", "\r\n\n' only a comment\r\n")).Open());
    // A directory is no data file.
    EXPECT_FALSE(DataFile(dir.PathOf("")).Open());
}

// Read in part, these files would lose or garble records: each is refused whole and says why.
TEST(DataFileBadInput, NulCharactersRefuseTheFile) {
    TempDir dir;
    // (Not "nul.csv": Windows reserves that name for its null device.)
    DataFile narrow(dir.Write("with_nul.csv", "plu;name\r\n1;a\0b;c\r\n2;d\r\n"s));
    EXPECT_EQ(narrow.Open().Reason(),
              u"line 2 holds a NUL character: it is no 8-bit text (UTF-16 files are named .csw)");
    EXPECT_FALSE(narrow.IsOpen());
    // A UTF-16 file named .csv is what such a file usually is.
    EXPECT_FALSE(DataFile(dir.WriteWide("utf16.csv", u"plu\r\n1\r\n")).Open());

    DataFile wide(dir.WriteWide("with_nul.csw", u"plu\r\n1\r\n\r\n2\0003\r\n"s));
    EXPECT_EQ(wide.Open().Reason(), u"line 4 holds a NUL character");
}

TEST(DataFileBadInput, Utf16WithAnOddNumberOfBytesIsRefused) {
    TempDir dir;
    const std::string bytes = "\xFF\xFE" + ToUtf16LeBytes(u"plu\r\n1\r\n2");
    DataFile odd(dir.Write("odd.csw", bytes + "\x41"));
    EXPECT_EQ(odd.Open().Reason(), u"the file has an odd number of bytes (" +
                                       NumberText(static_cast<std::int64_t>(bytes.size() + 1)) +
                                       u"), so it is not UTF-16 text");
    // An unpaired surrogate is a unit like any other.
    DataFile even(dir.Write("even.csw", "\xFF\xFE" + ToUtf16LeBytes(u"plu\r\n1\xD800x\r\n2")));
    ASSERT_TRUE(even.Open());
    EXPECT_EQ(RecordLines(even), (std::vector<Text>{u"1\xD800x", u"2"}));
}

TEST(DataFileBadInput, ALineOver1MiBCharactersIsRefused) {
    const std::string tooLong =
        "PLU;NAME\r\n1;a\r\n" + std::string(100 * 1024 * 1024, 'x') + "\r\n3;c\r\n";
    DataFile narrow;
    EXPECT_EQ(narrow.OpenBytes(tooLong, u"huge.csv").Reason(),
              u"line 3 is longer than 1048576 characters");

    // One character over, in a file on disk, in UTF-16, and as the header; a CR inside a line
    // is a character of it.
    TempDir dir;
    const Text over(DataFile::kMaxLineLength + 1, u'y');
    DataFile wide(dir.WriteWide("over.csw", u"PLU\r\n1\r\n" + over));
    EXPECT_EQ(wide.Open().Reason(), u"line 3 is longer than 1048576 characters");
    DataFile header(dir.WriteNarrow("header.csv", over + u"\n1\n"));
    EXPECT_EQ(header.Open().Reason(), u"line 1 is longer than 1048576 characters");
    DataFile returns(dir.Write("returns.csv", "PLU\n" + std::string(3 * 1024 * 1024, '\r')));
    EXPECT_FALSE(returns.Open());
}

TEST(DataFileBadInput, TenThousandColumnsAreReadAndOneMoreRefused) {
    TempDir dir;
    std::string header;
    std::string row;
    for (std::size_t i = 0; i < DataFile::kMaxColumns; ++i) {
        header += "c" + std::to_string(i) + ";";
        row += std::to_string(i) + ";";
    }
    DataFile file(dir.Write("wide.csv", header + "\n" + row + "\n"));
    ASSERT_TRUE(file.Open());
    ASSERT_EQ(file.Columns().size(), DataFile::kMaxColumns);
    RecordCursor cursor;
    ASSERT_TRUE(cursor.Open(&file));
    EXPECT_EQ(*cursor.GetFieldValue(u"C9999"), u"9999");
    DataFile over(dir.Write("over.csv", header + "one more\n" + row + "\n"));
    EXPECT_EQ(over.Open().Reason(), u"the header has more than 10000 columns");
}

}  // namespace
}  // namespace dorvex
