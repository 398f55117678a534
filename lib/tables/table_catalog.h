// The table definitions loaded from "table.csv": for every table its name, its tag and the
// name and tag of each field. Tables are kept in a 17-bucket hash whose iteration order is
// visible to callers (the first table of that walk whose name fits a data file's name wins), so
// the order is part of the behaviour: buckets 0 to 16, each chain newest first.
//
// Names of tables are exact keys; field lookups ignore letter case.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "tables/table_definition.h"
#include "tables/table_file_locator.h"

namespace dorvex {

class RecordCursor;

class TableCatalog {
  public:
    // Iteration position: 0 means past the end.
    using Position = std::size_t;

    static constexpr int kSelected = 0;
    static constexpr int kNoSuchTable = 6;

    // Reads the definitions from `fileName`, looked up beside the library, then in the
    // configuration directories (TableFileLocator), unless the name has a path separator. Tables
    // already loaded stay unless a table of the same name replaces them. A missing or unreadable
    // file leaves the catalog as it was. Always 0.
    int Load(const Text& fileName);
    // Forgets every table and the current selection. Always 0.
    int Clear();

    // The name given to Load and the full path actually read.
    const Text& TableFileName() const { return tableFileName_; }
    const Text& LoadedPath() const { return location_.path; }
    // Where the file was found, or every place looked at.
    const TableFileLocation& Location() const { return location_; }

    Position GetStartPosition() const;
    // The name at `pos`, advancing `pos` (0 after the last table); empty when `pos` is 0.
    Text GetNextTableName(Position& pos) const;
    std::vector<Text> TableNames() const;
    std::size_t TableCount() const;

    // Makes the table of exactly this name current: kSelected, or kNoSuchTable (no current
    // table then). The name is remembered in both cases.
    int SelectTable(const Text& name);
    const Text& CurrentTableName() const { return currentTableName_; }
    // Fields of the current table; empty when there is none.
    const std::vector<TableField>& CurrentTable() const;
    bool HasCurrentTable() const { return currentTable_ != nullptr; }

    // Tag / name as written of the first field of the current table whose name equals `field`
    // without regard to case; empty when none. TagOf(table name) gives the table's tag.
    Text TagOf(TextView field) const;
    Text FieldNameOf(TextView field) const;
    // The field names of the current table except the table's own entry, joined by ";".
    Text FieldNames() const;

    // The first table, in iteration order, whose upper-cased name occurs in the upper-cased
    // bare file name. Tables with an empty name never match.
    std::optional<Text> TableForFileName(TextView bareFileName) const;

  private:
    struct Entry {
        Text name;
        TableDefinition definition;
    };
    static constexpr std::size_t kBucketCount = 17;
    using Bucket = std::vector<std::unique_ptr<Entry>>;  // front of the chain first

    static std::size_t BucketOf(TextView name);
    Entry* Find(TextView name) const;
    void Store(Text name, TableDefinition definition);
    void ReadTables(RecordCursor& cursor);
    const TableField* FindField(TextView field) const;
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

    std::array<Bucket, kBucketCount> buckets_;
    Text currentTableName_;
    Entry* currentTable_ = nullptr;
    Text tableFileName_;
    TableFileLocation location_;
};

}  // namespace dorvex
