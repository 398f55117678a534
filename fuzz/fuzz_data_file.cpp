// Reading a data file from arbitrary bytes, as an 8-bit ".csv" or a UTF-16 ".csw" file: the
// header, every record through the cursor, and reading again from recorded positions.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_scratch_file.h"
#include "platform/text.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

const dorvex::fuzz::ScratchFile& ScratchFor(bool wide) {
    static const dorvex::fuzz::ScratchFile narrow("-data.csv");
    static const dorvex::fuzz::ScratchFile wideFile("-data.csw");
    return wide ? wideFile : narrow;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const dorvex::fuzz::ScratchFile& scratch = ScratchFor(wide);
    scratch.Write(data + 1, size - 1);
    const std::filesystem::path& path = scratch.Path();

    dorvex::DataFile file(dorvex::FromUtf8(path.string()));
    if (!file.Open())
        return 0;
    Check(file.IsWide() == wide);
    Check(file.FirstRowPos() >= 0 && file.FirstRowPos() <= static_cast<std::int64_t>(size));

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
