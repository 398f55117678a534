// The platform's encodings: code pages by name, the API encoding and the default data code
// page, on Linux (iconv) and on Windows (the system's code pages).
#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/iconv_converter.h"
#include "platform/system_encoding.h"

namespace dorvex {
namespace {

TEST(Encodings, CommonNamesDecodeAndEncode) {
    // 0x8A is S with caron in Windows-1250, 0xA9 in ISO-8859-2.
    for (const char* name : {"CP1250", "WINDOWS-1250"}) {
        auto page = CodePage::ByName(name);
        ASSERT_NE(page, nullptr) << name;
        EXPECT_EQ(page->Decode("\x8A"), u"\u0160") << name;
        EXPECT_EQ(page->Encode(u"\u0160"), "\x8A") << name;
    }
    auto latin2 = CodePage::ByName("ISO-8859-2");
    ASSERT_NE(latin2, nullptr);
    EXPECT_EQ(latin2->Decode("\xA9"), u"\u0160");
    auto utf8 = CodePage::ByName("UTF-8");
    ASSERT_NE(utf8, nullptr);
    EXPECT_EQ(utf8->Decode("\xC3\xA9\xE2\x82\xAC"), u"\u00E9\u20AC");
    EXPECT_EQ(utf8->Encode(u"\u00E9\u20AC"), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(CodePage::ByName("NO-SUCH-ENCODING"), nullptr);
}

TEST(Encodings, CharactersWithoutAByteBecomeAQuestionMark) {
    // No look-alikes: L with stroke is not in Latin-1, and must not turn into a plain L.
    EXPECT_EQ(IconvConverter::FromUtf16("ISO-8859-1", u"a\u0141b\u20AC"), "a?b?");
    EXPECT_EQ(IconvConverter::FromUtf16("CP1250", u"\u0141\u4E2D"), "\xA3?");
}

TEST(Encodings, ApiTextRoundTripsWhatTheSystemEncodingHolds) {
    const Text text = u"prices_w.csv \u00E9t\u00E9";
    EXPECT_EQ(DecodeApiText(EncodeApiText(text)), text);
    EXPECT_EQ(DecodeApiText("plain"), u"plain");
    EXPECT_EQ(EncodeApiText(u""), "");
}

TEST(Encodings, TheDefaultDataCodePageIsUsable) {
    const std::string name = DefaultDataCodePageName();
    auto page = CodePage::ByName(name);
    ASSERT_NE(page, nullptr) << name;
    EXPECT_EQ(page->Decode(page->Encode(u"Fruits 12,50")), u"Fruits 12,50");
}

}  // namespace
}  // namespace dorvex
