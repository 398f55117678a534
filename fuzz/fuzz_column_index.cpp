// Reading a column index file from arbitrary bytes against a fixed data file (8-bit or UTF-16
// by the first byte): opening it, searching and inserting keys, writing it and reading back what
// was written, and a filter that answers its term through the index or, when the index is
// refused, by scanning. An accepted index must only point into the data file.
//
// The first byte chooses: bit 0 the encoding, bits 1-2 the column (0 to 2), bits 3-5 one of
// five filters or none. The data file and the index are read from memory through the same code
// that reads them from files; nothing on disk is touched.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz_check.h"
#include "platform/text.h"
#include "tables/column_index.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/record_filter.h"

namespace {

using dorvex::fuzz::Check;

constexpr int kColumns = 3;

const char16_t kRecords[] =
    u"PLU;NAME;PRICE\r\n1;pear;2.5\r\n2;\"ap;ple\";3\r\n' comment\r\n3;fig;\r\n\r\n4;Kiwi;1e3\r\n";

const std::string& DataBytes(bool wide) {
    static const std::string narrow = dorvex::ToUtf8(kRecords);
    static const std::string wideBytes = "\xFF\xFE" + dorvex::ToUtf16LeBytes(kRecords);
    return wide ? wideBytes : narrow;
}

// Opens the index from `bytes`; when it is accepted, searches, inserts, and checks that what it
// writes reads back the same. The index the filter then uses, or null.
std::unique_ptr<dorvex::ColumnIndex> CheckIndex(dorvex::DataFile& file, int column,
                                                std::string_view bytes,
                                                std::string_view dataBytes) {
    auto index = std::make_unique<dorvex::ColumnIndex>();
    if (!index->OpenBytes(&file, column, bytes, dataBytes)) {
        Check(!index->IsOpen());
        return nullptr;
    }
    Check(index->Count() <= (bytes.size() - 10) / 4);
    Check(index->Capacity() % 100 == 0 && index->Capacity() > index->Count());
    for (std::uint32_t offset : index->Entries())
        Check(offset >= file.FirstRowPos() && offset < file.Size());
    std::int32_t position = -1;
    std::int64_t filePos = -1;
    for (const char16_t* key : {u"", u"fig", u"ap;ple", u"zzz", u"2.5"}) {
        int c = index->Search(key, &position, &filePos);
        Check(c >= -2 && c <= 1);
        Check(c == -2 || (position >= 0 && position <= static_cast<int>(index->Count())));
    }
    index->Insert(u"new", &position, static_cast<std::uint32_t>(file.FirstRowPos()));
    Check(index->Write() && !index->IsDirty());

    auto reread = std::make_unique<dorvex::ColumnIndex>();
    Check(reread->OpenBytes(&file, column, index->InMemoryFile(), dataBytes).Ok());
    Check(reread->Entries() == index->Entries() && reread->Type() == index->Type());
    return reread;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const int column = ((data[0] >> 1) & 3) % kColumns;
    const int filterChoice = (data[0] >> 3) & 7;
    const std::string& dataBytes = DataBytes(wide);
    dorvex::DataFile file;
    Check(file.OpenBytes(dataBytes, wide ? u"plu.csw" : u"plu.csv").Ok());
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::unique_ptr<dorvex::ColumnIndex> index = CheckIndex(file, column, bytes, dataBytes);

    static const dorvex::Text kFilters[] = {u"PLU = 3", u"NAME = fig", u"NAME = ap;ple",
                                            u"PRICE = 1000", u"NAME = nothing & PLU > 0"};
    if (filterChoice < 5) {
        dorvex::RecordCursor cursor;
        Check(cursor.Open(&file));
        dorvex::RecordFilter filter(cursor);
        // The other columns have no index: they are scanned, and no index file is looked for.
        for (int other = 0; other < kColumns; ++other)
            filter.UseIndex(other, other == column ? std::move(index) : nullptr);
        Check(filter.SetFilter(kFilters[filterChoice]).Ok());
        filter.FindFirst();
        Check(cursor.IsEOF() || filter.AllConditionsHold());
    }
    return 0;
}
