#include "engine/file_name_rules.h"

#include "tables/table_catalog.h"

namespace dorvex {
namespace {

constexpr std::size_t kTablesNamed = 8;

Text Quoted(TextView text) {
    return u"\"" + Text(text) + u"\"";
}

}  // namespace

std::optional<FileNameRules::Encoding> FileNameRules::EncodingOf(TextView name) {
    if (Contains(name, u".csv"))
        return Encoding::Narrow;
    if (Contains(name, u".csw"))
        return Encoding::Wide;
    return std::nullopt;
}

std::optional<Text> FileNameRules::TableOf(TextView bareName, const TableCatalog& catalog) {
    return catalog.TableForFileName(bareName);
}

std::optional<TransferMode> FileNameRules::ModeOf(TextView bareName) {
    std::optional<TransferMode> mode;
    std::size_t first = TextView::npos;
    for (TransferMode candidate : {TransferMode::Write, TransferMode::Read, TransferMode::Delete}) {
        const Text marker = u"_" + Text(ModeText(candidate)) + u".";
        if (std::size_t at = bareName.find(marker); at < first) {
            first = at;
            mode = candidate;
        }
    }
    return mode;
}

Text FileNameRules::ExtensionProblem(TextView bareName) {
    const Text upper = ToUpper(bareName);
    for (TextView extension : {TextView(u".csv"), TextView(u".csw")}) {
        std::size_t at = upper.find(ToUpper(extension));
        if (at == Text::npos)
            continue;
        Text renamed(bareName);
        renamed.replace(at, extension.size(), extension);
        return u"the file name " + Quoted(bareName) +
               u" must hold its extension in lower case: rename it to " + Quoted(renamed);
    }
    return u"the file name " + Quoted(bareName) +
           u" is not a data file's: it must contain \".csv\" (8-bit text) or \".csw\" (UTF-16)";
}

Text FileNameRules::TableProblem(TextView bareName, const TableCatalog& catalog) {
    const std::vector<Text> tables = catalog.TableNames();
    if (tables.empty()) {
        Text reason = u"no table definitions are loaded (" + catalog.Location().Describe() +
                      u"), so no table can be chosen for " + Quoted(bareName);
        if (!catalog.LoadProblems().empty())
            reason += u"; " + catalog.LoadProblems().front();
        return reason;
    }
    Text names;
    for (std::size_t i = 0; i < tables.size() && i < kTablesNamed; ++i)
        names += (i == 0 ? u"" : u", ") + tables[i];
    if (tables.size() > kTablesNamed)
        names += u", ...";
    Text reason = u"no table of " + catalog.TableFileName() + u" is named in the file name " +
                  Quoted(bareName) + u": rename the file so that it contains one of " + names +
                  u" (for example " + Quoted(tables.front() + u"_" + Text(bareName)) + u")";
    // A table left out of the catalog for a bad definition may be the one the name means.
    if (!catalog.LoadProblems().empty())
        reason += u"; " + catalog.TableFileName() + u": " + catalog.LoadProblems().front();
    return reason;
}

}  // namespace dorvex
