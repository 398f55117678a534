// A CSV data file: ".csv" files hold 8-bit text in the data code page, every other name
// (".csw", no extension, any other extension) UTF-16LE. The first significant line is the
// header naming the columns; every later significant line is a record. Blank lines and lines
// whose first character is an apostrophe are not significant; a byte-order mark at the start of
// the file does not count as a character for that test.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <streambuf>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/code_page.h"
#include "platform/result.h"
#include "platform/text.h"
#include "tables/line_buffer.h"

namespace dorvex {

struct DataColumn {
    int position = 0;  // 0 for the first column
    Text name;         // upper case
};

class DataFile {
  public:
    // What a data file may hold. A file beyond these limits, a UTF-16 file with an odd number
    // of bytes, or a file with a NUL character is refused as a whole when it is opened: read
    // in part, it would lose or garble records.
    static constexpr std::int64_t kMaxLineLength = 1 << 20;  // characters, line end excluded
    static constexpr std::size_t kMaxColumns = 10000;

    // Data files are opened for reading and writing; the table definitions only need reading,
    // and a system-wide copy of them is not writable by the users who read it.
    enum class Access { ReadWrite, ReadOnly };

    explicit DataFile(Text path = {}, Access access = Access::ReadWrite);
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Opens the stored path, or `path` which then replaces it; an open file is closed first.
    // The file is opened for reading and writing (unless constructed ReadOnly), so a file that
    // may not be written is refused like one that does not exist. A name without any "." gets
    // ".CSW" appended. Fails as well when the file has no significant line or is beyond the
    // limits above; the reason then says why, in a sentence.
    Result Open();
    Result Open(const Text& path);
    // Reads `bytes` as the content of a file named `path` (the name chooses the encoding as for
    // Open); nothing on disk is touched. The bytes must stay valid while the file is open.
    Result OpenBytes(std::string_view bytes, const Text& path);
    void Close();

    bool IsOpen() const { return stream_ != nullptr; }
    bool IsWide() const { return isWide_; }
    // The path as opened (with ".CSW" appended to a name that had no ".").
    const Text& Path() const { return path_; }

    // The header as read: the first significant line with a leading byte-order mark removed,
    // blanks kept. This is the text a result file repeats; use it instead of reading line 0
    // again. A UTF-16 file without a byte-order mark keeps its first character.
    const Text& HeaderLine() const { return headerLine_; }

    // The next significant line from the current position, without its line end (the text is
    // cut at the first CR, LF or NUL); the empty text at the end of the file. Lines of any length
    // are returned whole, and a last line without a line end is returned like any other.
    Text ReadLine();
    // The same into a caller's buffer (its storage is reused); false at the end of the file.
    bool ReadLine(Text& line);
    // Stream position where the line last returned by ReadLine begins.
    std::int64_t LastLinePos() const { return lastLinePos_; }

    bool Seek(std::int64_t pos);
    std::int64_t Tell() const;
    // Size of the file in bytes when it was opened.
    std::int64_t Size() const { return size_; }
    // Where the first record begins (just after the header line); -1 while closed.
    std::int64_t FirstRowPos() const { return firstRowPos_; }

    const std::vector<DataColumn>& Columns() const { return columns_; }
    // The column whose name equals `name` in upper case; with duplicate names the later one.
    const DataColumn* FindColumn(TextView name) const;
    const DataColumn* ColumnAt(int position) const;

  private:
    void TakePath(const Text& path);
    bool OpenStream(const Text& fileSystemPath);
    void AttachStream(std::unique_ptr<std::streambuf> stream, std::int64_t size);
    Result StartReading();
    Result Refuse(Text reason);
    struct LineScan;
    Result CheckContent();
    template <typename Unit>
    Result CheckUnits(const Unit* units, std::size_t count, LineScan& scan);
    Result RefuseLongLine(std::int64_t line);
    template <typename Unit>
    bool ReadSignificantLine(LineBuffer<Unit>& buffer, Text& line);
    void ReadHeader();

    Text path_;
    Access access_ = Access::ReadWrite;
    bool isWide_ = false;
    std::int64_t firstRowPos_ = -1;
    std::int64_t lastLinePos_ = 0;
    std::int64_t size_ = 0;
    Text headerLine_;
    std::vector<DataColumn> columns_;
    std::unordered_map<Text, std::size_t> columnByName_;
    std::unique_ptr<std::streambuf> stream_;  // the file, or the bytes given to OpenBytes
    LineBuffer<char> narrow_;
    LineBuffer<char16_t> wide_;
    std::shared_ptr<const CodePage> codePage_;
};

}  // namespace dorvex
