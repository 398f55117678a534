#include "file_check.h"

#include <algorithm>

#include "library_files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "protocol/protocol_texts.h"
#include "protocol/row_body_builder.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"

namespace dorvex::cli {
namespace {

constexpr int kRequestsShown = 3;

std::string Visible(TextView text) {
    Text shown = Replaced(Replaced(text, u"\r", u"\\r"), u"\n", u"\\n");
    return ToUtf8(shown);
}

std::string JoinNames(const std::vector<Text>& names) {
    std::string out;
    for (const Text& name : names)
        out += (out.empty() ? "" : ", ") + ToUtf8(name);
    return out;
}

}  // namespace

std::string ModeFromFileName(const std::string& name) {
    std::size_t best = std::string::npos;
    std::string mode;
    for (const char* marker : {"_w.", "_r.", "_d."}) {
        std::size_t at = name.find(marker);
        if (at < best) {
            best = at;
            mode = std::string(1, marker[1]);
        }
    }
    return mode;
}

CheckReport CheckDataFile(const CliOptions& options) {
    CheckReport report;
    auto fail = [&](std::string line) {
        report.ok = false;
        report.lines.push_back("error: " + line);
        return report;
    };
    const Text given = FromUtf8(options.argument);
    const Text name = BaseName(given);
    if (!Contains(given, u".csv") && !Contains(given, u".csw")) {
        return fail("the name must contain \".csv\" (8-bit) or \".csw\" (UTF-16)");
    }
    report.lines.push_back(std::string("encoding: ") +
                           (Contains(given, u".csv") ? "8-bit (.csv)" : "UTF-16 (.csw)"));

    // The library's lookup, not this program's directory: the check must read what a
    // transfer would read.
    const TableFileLocation location = LibraryTableFile(options.tableFile);
    if (!location.found)
        return fail(ToUtf8(location.Describe()));
    TableCatalog catalog;
    catalog.Load(location.path);
    if (catalog.TableCount() == 0)
        return fail("no table definitions in " + ToUtf8(catalog.LoadedPath()));
    report.lines.push_back("table definitions: " + ToUtf8(catalog.LoadedPath()) + " (" +
                           std::to_string(catalog.TableCount()) + " tables)");

    const Text path = HasPathSeparator(given) ? given : JoinPath(FromUtf8(options.inputDir), given);
    DataFile file(path);
    if (!file.Open())
        return fail("cannot open " + ToUtf8(path) +
                    " (missing, without header, or read-only: data files are opened for writing "
                    "too)");

    std::optional<Text> table = catalog.TableForFileName(name);
    if (!table) {
        return fail("no table name occurs in \"" + ToUtf8(name) +
                    "\"; tables: " + JoinNames(catalog.TableNames()));
    }
    catalog.SelectTable(*table);
    report.lines.push_back("table: " + ToUtf8(*table) + " (tag " + ToUtf8(catalog.TagOf(*table)) +
                           ")");

    bool allTagged = true;
    for (const DataColumn& column : file.Columns()) {
        Text tag = catalog.TagOf(column.name);
        allTagged = allTagged && !tag.empty();
        report.lines.push_back("  column " + ToUtf8(column.name) + " -> " +
                               (tag.empty() ? std::string("NO TAG") : ToUtf8(tag)));
    }

    RecordCursor cursor;
    cursor.Open(&file);
    int rows = 0;
    std::vector<Text> bodies;
    RowBodyBuilder builder;
    Text missing;
    bool prepared = allTagged && builder.Prepare(catalog, file, missing);
    for (; !cursor.IsEOF(); cursor.MoveNext()) {
        if (prepared && rows < kRequestsShown) {
            Text body;
            builder.AppendBody(cursor, FromUtf8(options.marker), body);
            bodies.push_back(std::move(body));
        }
        ++rows;
    }
    report.lines.push_back("rows: " + std::to_string(rows));

    std::string mode = options.mode.empty() ? ModeFromFileName(ToUtf8(name)) : options.mode;
    if (mode.empty())
        mode = "w";
    report.lines.push_back("operation: " + mode);
    if (!allTagged)
        return fail("columns without a tag: the transfer would be refused");
    if (rows == 0 && mode == "w")
        return fail("a write needs at least one row");
    if (rows == 0) {
        report.lines.push_back("whole-table " + std::string(mode == "r" ? "read" : "delete"));
        return report;
    }
    const Text device = FromUtf8(options.device);
    const Text header = RowHeader(BuildTableHeader(catalog, *table, FromUtf8(mode)),
                                  mode == "r" ? ReadDeviceText(device) : device);
    for (const Text& body : bodies)
        report.lines.push_back("  request: " + Visible(header + body));
    return report;
}

}  // namespace dorvex::cli
