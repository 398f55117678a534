// Small files written by the tests into a private temporary directory that is removed again.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/path.h"
#include "platform/text.h"

namespace dorvex::test {

// The table definitions of the article example: table Article (tag art) with PLU (plu) and
// NAME (nam).
inline constexpr TextView kArticleTableCsv =
    u"TABLE;PLU;NAME\r\nArticle;PLU;NAME\r\nart;plu;nam\r\n";

class TempDir {
  public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("dorvex-tables-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    Text PathOf(std::string_view name) const { return FromUtf8((path_ / name).string()); }

    // Writes `bytes` as the file `name` and returns its path.
    Text Write(std::string_view name, std::string_view bytes) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return PathOf(name);
    }
    // `text` in the data code page (Windows-1252 unless the environment says otherwise).
    Text WriteNarrow(std::string_view name, TextView text) const {
        return Write(name, EncodeData(text));
    }
    // `text` as UTF-16LE, with a byte-order mark unless told otherwise.
    Text WriteWide(std::string_view name, TextView text, bool byteOrderMark = true) const {
        std::string bytes = byteOrderMark ? std::string("\xFF\xFE") : std::string();
        return Write(name, bytes + ToUtf16LeBytes(text));
    }

  private:
    std::filesystem::path path_;
};

}  // namespace dorvex::test
