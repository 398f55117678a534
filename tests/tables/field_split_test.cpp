#include "tables/field_split.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace dorvex {
namespace {

std::vector<Text> TakeAll(Text line, TextView separators = {}) {
    std::vector<Text> fields;
    Text field;
    while (!line.empty())
        fields.push_back(TakeField(field, line, separators));
    return fields;
}

TEST(TakeField, QuotesSeparatorsAndEmptyCells) {
    const std::tuple<TextView, TextView, std::vector<Text>> cases[] = {
        // Blank, 12, blank; blank, "a;b", blank, x, blank; two blanks, last, two blanks.
        {u" 12 ; \"a;b\" x ;  last  ", u"", {u"12", u"\"a;b\"x", u"  last  "}},
        {u"\"a;b\";\" c \"", u"", {u"a;b", u" c "}},
        // Doubled quotes are no escape.
        {u"\"a\"\"b\";c", u"", {u"a\"\"b", u"c"}},
        // Unbalanced or late quotes split plainly; text before the opening quote stays.
        {u"\"open;x", u"", {u"\"open", u"x"}},
        {u"a;b\"c;d\"", u"", {u"a", u"b\"c;d\""}},
        {u" ab\"c;d\"e;f", u"", {u"ab\"c;d\"e", u"f"}},
        {u"a;;b; ;", u"", {u"a", u"", u"b", u""}},
        {u"a,b;c", u",;", {u"a", u"b", u"c"}},
        {u"a|\"x|y\"|z", u"|", {u"a", u"x|y", u"z"}}};
    for (const auto& [line, separators, fields] : cases)
        EXPECT_EQ(TakeAll(Text(line), separators), fields) << ToUtf8(line);
    Text empty;
    Text field = u"stale";
    EXPECT_EQ(TakeField(field, empty), u"");
}

TEST(SplitField, IgnoresQuotesAndKeepsTheLastFieldsBlanks) {
    Text line = u" \"a;b\" ; c ";
    Text field;
    EXPECT_EQ(SplitField(field, line), u"\"a");
    EXPECT_EQ(line, u"b\" ; c ");
    EXPECT_EQ(SplitField(field, line), u"b\"");
    EXPECT_EQ(SplitField(field, line), u" c ");
    EXPECT_TRUE(line.empty());
}

TEST(SplitField, BlankSeparatorSkipsLeadingBlanks) {
    Text line = u"   PLU   >=  100 ";
    Text field;
    EXPECT_EQ(SplitField(field, line, u" "), u"PLU");
    EXPECT_EQ(SplitField(field, line, u" "), u">=");
    EXPECT_EQ(line, u" 100 ");
    EXPECT_EQ(SplitField(field, line, u" "), u"100");
    EXPECT_TRUE(line.empty());
}

}  // namespace
}  // namespace dorvex
