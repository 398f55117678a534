// Reading a data file from arbitrary bytes, as an 8-bit ".csv" or a UTF-16 ".csw" file: the
// header, every record through the cursor, and reading again from recorded positions. The bytes
// are read in place through the same code that reads files.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace {

using dorvex::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    dorvex::DataFile file;
    const dorvex::Result opened = file.OpenBytes(bytes, wide ? u"fuzz.csw" : u"fuzz.csv");
    if (!opened) {
        Check(!opened.Reason().empty() && !file.IsOpen());
        return 0;
    }
    Check(opened.Reason().empty());
    Check(file.Columns().size() <= dorvex::DataFile::kMaxColumns);
    Check(file.IsWide() == wide);
    Check(file.Size() == static_cast<std::int64_t>(bytes.size()));
    Check(file.FirstRowPos() >= 0 && file.FirstRowPos() <= file.Size());

    dorvex::RecordCursor cursor;
    Check(cursor.Open(&file));
    Check(cursor.FieldCount() == static_cast<int>(file.Columns().size()));
    std::size_t records = 0;
    std::int64_t lastPos = -1;
    std::int64_t middlePos = -1;
    for (; !cursor.IsEOF(); cursor.MoveNext()) {
        Check(cursor.CurrentRowPos() > lastPos);
        lastPos = cursor.CurrentRowPos();
        if (records++ == 1)
            middlePos = lastPos;
        Check(!cursor.CurrentLine().empty());
        Check(cursor.CurrentLine().size() <= dorvex::DataFile::kMaxLineLength);
        for (int i = 0; i < cursor.FieldCount(); ++i) {
            Check(cursor.FieldAt(i)->value.size() <= cursor.CurrentLine().size());
        }
    }
    Check(records <= size);
    if (middlePos >= 0) {
        Check(cursor.ReadRecordAt(middlePos));
        Check(cursor.CurrentRowPos() == middlePos);
    }
    file.Seek(0);
    Check(!file.ReadLine().empty());
    return 0;
}
