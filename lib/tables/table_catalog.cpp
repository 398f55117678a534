#include "tables/table_catalog.h"

#include <algorithm>
#include <cstdint>

#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace dorvex {
namespace {

constexpr TextView kTableColumn = u"TABLE";

// Cells of the current record from the first column up to the first empty one.
template <typename Store>
std::size_t CopyLeadingCells(const RecordCursor& cursor, Store store) {
    std::size_t count = 0;
    for (const FieldValue* cell = cursor.FieldAt(0); cell != nullptr && !cell->value.empty();
         cell = cursor.FieldAt(static_cast<int>(++count))) {
        store(count, cell->value);
    }
    return count;
}

// Why a tag cannot name an element of a message, or empty when it can (or is empty).
Text TagProblem(TextView tag) {
    if (tag.size() > TableCatalog::kMaxTagLength) {
        return u" is longer than " + NumberText(TableCatalog::kMaxTagLength) + u" characters";
    }
    for (char16_t c : tag) {
        if (c < 0x20 || c == 0x7F || IsSpace(c) || TextView(u"<>&\"'/=").find(c) != TextView::npos)
            return u" holds a blank, a control character or one of < > & \" ' / =";
    }
    return {};
}

// Whether `upperText` holds `part` in upper case, compared unit by unit so that no upper-case
// copy of `part` is made: a file name is matched against every table.
bool ContainsInUpperCase(TextView upperText, TextView part) {
    for (std::size_t at = 0; at + part.size() <= upperText.size(); ++at) {
        std::size_t matched = 0;
        while (matched < part.size() && upperText[at + matched] == ToUpperChar(part[matched]))
            ++matched;
        if (matched == part.size())
            return true;
    }
    return false;
}

}  // namespace

std::size_t TableCatalog::BucketOf(TextView name) {
    std::uint32_t h = 0;
    for (char16_t c : name)
        h = h * 33u + c;
    return h % kBucketCount;
}

template <typename Visit>
void TableCatalog::ForEachEntry(Visit visit) const {
    for (const Bucket& bucket : buckets_) {
        for (const auto& entry : bucket) {
            if (!visit(*entry))
                return;
        }
    }
}

TableCatalog::Entry* TableCatalog::Find(TextView name) const {
    for (const auto& entry : buckets_[BucketOf(name)]) {
        if (entry->name == name)
            return entry.get();
    }
    return nullptr;
}

void TableCatalog::Store(Text name, TableDefinition definition) {
    if (Entry* existing = Find(name)) {
        existing->definition = std::move(definition);
        return;
    }
    Bucket& bucket = buckets_[BucketOf(name)];
    bucket.insert(bucket.begin(),
                  std::make_unique<Entry>(Entry{std::move(name), std::move(definition)}));
}

void TableCatalog::Load(const Text& fileName) {
    tableFileName_ = fileName;
    loadProblems_.clear();
    location_ = TableFileLocator::ForThisModule().Locate(fileName);
    DataFile file(location_.path, DataFile::Access::ReadOnly);
    if (Result opened = file.Open())
        ReadTables(file);
    else if (location_.found)
        loadProblems_.push_back(location_.path + u": " + opened.Reason());
}

void TableCatalog::LoadBytes(std::string_view bytes) {
    tableFileName_ = u"table.csv";
    loadProblems_.clear();
    location_ = {};
    DataFile file;
    if (Result opened = file.OpenBytes(bytes, tableFileName_))
        ReadTables(file);
    else if (!bytes.empty())
        loadProblems_.push_back(tableFileName_ + u": " + opened.Reason());
}

// Each table is a name row followed by a tag row. The field list runs from the first column
// up to the last tag before the first empty tag cell; names stop at the first empty name cell.
void TableCatalog::ReadTables(DataFile& file) {
    RecordCursor cursor;
    if (!cursor.Open(&file))
        return;
    const std::size_t columnCount = static_cast<std::size_t>(cursor.FieldCount());
    while (!cursor.IsEOF()) {
        const Text* tableCell = cursor.GetFieldValue(kTableColumn);
        Text name = tableCell != nullptr ? *tableCell : Text();
        TableDefinition definition;
        definition.fields.resize(columnCount);
        CopyLeadingCells(
            cursor, [&](std::size_t i, const Text& cell) { definition.fields[i].name = cell; });
        cursor.MoveNext();
        std::size_t tagCount = CopyLeadingCells(
            cursor, [&](std::size_t i, const Text& cell) { definition.fields[i].tag = cell; });
        definition.fields.resize(std::min(columnCount, std::max<std::size_t>(tagCount, 1)));
        // The slots of a wide file's columns must not stay reserved for every table.
        definition.fields.shrink_to_fit();
        cursor.MoveNext();
        if (CheckTags(name, definition))
            Store(std::move(name), std::move(definition));
    }
}

bool TableCatalog::CheckTags(const Text& name, const TableDefinition& definition) {
    Text problem;
    for (const TableField& field : definition.fields) {
        problem = TagProblem(field.tag);
        if (!problem.empty()) {
            problem = u"the tag of " + field.name + problem;
            break;
        }
    }
    // The table's own entry must be in the list and have a tag: requests begin with it.
    if (problem.empty() && !name.empty()) {
        const auto own =
            std::find_if(definition.fields.begin(), definition.fields.end(),
                         [&](const TableField& field) { return EqualsNoCase(field.name, name); });
        if (own == definition.fields.end() || own->tag.empty())
            problem = u"it has no tag";
    }
    if (problem.empty())
        return true;
    loadProblems_.push_back(u"table " + name + u" left out: " + problem);
    return false;
}

void TableCatalog::Clear() {
    for (Bucket& bucket : buckets_)
        bucket.clear();
    currentTable_ = nullptr;
    currentTableName_.clear();
}

TableCatalog::Position TableCatalog::GetStartPosition() const {
    return TableCount() > 0 ? 1 : 0;
}

Text TableCatalog::GetNextTableName(Position& pos) const {
    if (pos == 0)
        return {};
    // Whole buckets are skipped by their size, so that a walk over many tables stays linear.
    Position skipped = 0;
    for (std::size_t b = 0; b < kBucketCount; ++b) {
        const Bucket& bucket = buckets_[b];
        if (pos - 1 - skipped >= bucket.size()) {
            skipped += bucket.size();
            continue;
        }
        Text name = bucket[pos - 1 - skipped]->name;
        pos = pos < TableCount() ? pos + 1 : 0;
        return name;
    }
    pos = 0;
    return {};
}

std::vector<Text> TableCatalog::TableNames() const {
    std::vector<Text> names;
    ForEachEntry([&](const Entry& entry) {
        names.push_back(entry.name);
        return true;
    });
    return names;
}

std::size_t TableCatalog::TableCount() const {
    std::size_t count = 0;
    for (const Bucket& bucket : buckets_)
        count += bucket.size();
    return count;
}

bool TableCatalog::SelectTable(const Text& name) {
    currentTableName_ = name;
    currentTable_ = Find(name);
    return currentTable_ != nullptr;
}

const std::vector<TableField>& TableCatalog::CurrentTable() const {
    static const std::vector<TableField> kNone;
    return currentTable_ != nullptr ? currentTable_->definition.fields : kNone;
}

const TableField* TableCatalog::FindField(TextView field) const {
    for (const TableField& candidate : CurrentTable()) {
        if (EqualsNoCase(candidate.name, field))
            return &candidate;
    }
    return nullptr;
}

Text TableCatalog::TagOf(TextView field) const {
    const TableField* found = FindField(field);
    return found != nullptr ? found->tag : Text();
}

Text TableCatalog::FieldNameOf(TextView field) const {
    const TableField* found = FindField(field);
    return found != nullptr ? found->name : Text();
}

Text TableCatalog::FieldNames() const {
    const Entry* table = Find(currentTableName_);
    if (table == nullptr)
        return {};
    Text names;
    bool first = true;
    for (const TableField& field : table->definition.fields) {
        if (EqualsNoCase(field.name, currentTableName_))
            continue;
        if (!first)
            names.push_back(u';');
        names += field.name;
        first = false;
    }
    return names;
}

std::optional<Text> TableCatalog::TableForFileName(TextView bareFileName) const {
    const Text upperFileName = ToUpper(bareFileName);
    std::optional<Text> match;
    ForEachEntry([&](const Entry& entry) {
        if (!entry.name.empty() && ContainsInUpperCase(upperFileName, entry.name)) {
            match = entry.name;
            return false;
        }
        return true;
    });
    return match;
}

}  // namespace dorvex
