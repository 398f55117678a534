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
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "tables/table_definition.h"
#include "tables/table_file_locator.h"

namespace dorvex {

class DataFile;

class TableCatalog {
  public:
    // Iteration position: 0 means past the end.
    using Position = std::size_t;

    // Tags name elements of the messages: 1 to 32 characters, none of them a blank, a control
    // character or one of < > & " ' / =. A table with a tag outside that rule (its own tag
    // included) is left out when the file is read.
    static constexpr std::size_t kMaxTagLength = 32;

    // Reads the definitions from `fileName`, looked up beside the library, then in the
    // configuration directories (TableFileLocator), unless the name has a path separator. Tables
    // already loaded stay unless a table of the same name replaces them. A missing or unreadable
    // file leaves the catalog as it was. A load never fails as a whole: what was wrong is in
    // LoadProblems, one sentence for the file or for each table left out.
    void Load(const Text& fileName);
    // Reads the definitions from `bytes`, the content of a table-definition file, as Load reads
    // a file (the location stays empty).
    void LoadBytes(std::string_view bytes);
    // Forgets every table and the current selection.
    void Clear();

    // The name given to Load and the full path actually read.
    const Text& TableFileName() const { return tableFileName_; }
    const Text& LoadedPath() const { return location_.path; }
    // Where the file was found, or every place looked at.
    const TableFileLocation& Location() const { return location_; }
    // What the last Load or LoadBytes found wrong: the file refused as a whole, or each table
    // left out, in a sentence each. Empty when all went well (a missing file is no problem here:
    // Location tells where it was looked for).
    const std::vector<Text>& LoadProblems() const { return loadProblems_; }

    Position GetStartPosition() const;
    // The name at `pos`, advancing `pos` (0 after the last table); empty when `pos` is 0.
    Text GetNextTableName(Position& pos) const;
    std::vector<Text> TableNames() const;
    std::size_t TableCount() const;

    // Makes the table of exactly this name current; false when there is none (no current
    // table then). The name is remembered in both cases.
    bool SelectTable(const Text& name);
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
    void ReadTables(DataFile& file);
    bool CheckTags(const Text& name, const TableDefinition& definition);
    const TableField* FindField(TextView field) const;
    template <typename Visit>
    void ForEachEntry(Visit visit) const;

    std::array<Bucket, kBucketCount> buckets_;
    Text currentTableName_;
    Entry* currentTable_ = nullptr;
    Text tableFileName_;
    TableFileLocation location_;
    std::vector<Text> loadProblems_;
};

}  // namespace dorvex
