// Small files written by the tests into a private temporary directory that is removed again.
#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/path.h"
#include "platform/text.h"
#include "support/test_directory.h"

namespace dorvex::test {

// The table definitions of the article example: table Article (tag art) with PLU (plu) and
// NAME (nam).
inline constexpr TextView kArticleTableCsv =
    u"TABLE;PLU;NAME\r\nArticle;PLU;NAME\r\nart;plu;nam\r\n";

// The test's directory with paths as the library takes them.
class TempDir : public TestDirectory {
  public:
    TempDir() : TestDirectory("dorvex-tables") {}

    Text PathOf(std::string_view name) const { return FromUtf8((Root() / name).string()); }

    // Writes `bytes` as the file `name` and returns its path.
    Text Write(std::string_view name, std::string_view bytes) const {
        TestDirectory::Write(std::string(name), std::string(bytes));
        return PathOf(name);
    }
    // `text` in the data code page (Windows-1252 unless the environment says otherwise).
    Text WriteNarrow(std::string_view name, TextView text) const {
        return Write(name, EncodeData(text));
    }
    // `text` as UTF-16LE, with a byte-order mark unless told otherwise.
    Text WriteWide(std::string_view name, TextView text, bool byteOrderMark = true) const {
        return Write(name, (byteOrderMark ? "\xFF\xFE" : "") + ToUtf16LeBytes(text));
    }
};

}  // namespace dorvex::test
