#include "engine/plan_description.h"

#include "tables/table_catalog.h"

namespace dorvex {
namespace {

using Refusal = TransferPlan::Refusal;

// A request on one line: its line breaks written "\r" and "\n".
Text Visible(TextView text) {
    return Replaced(Replaced(text, u"\r", u"\\r"), u"\n", u"\\n");
}

Text EncodingLine(FileNameRules::Encoding encoding) {
    return encoding == FileNameRules::Encoding::Narrow ? u"encoding: 8-bit (.csv)"
                                                       : u"encoding: UTF-16 (.csw)";
}

// Why no table can be chosen at all, before the plan's own reasons.
Text CatalogProblem(const TableCatalog& catalog) {
    if (!catalog.Location().found)
        return catalog.Location().Describe();
    if (catalog.TableCount() == 0)
        return u"no table definitions in " + catalog.LoadedPath();
    return {};
}

void DescribeColumns(const TransferPlan& plan, std::vector<Text>& lines) {
    lines.push_back(u"table: " + plan.Table() + u" (tag " + plan.TableTag() + u")");
    for (const TransferPlan::Column& column : plan.Columns())
        lines.push_back(u"  column " + column.name + u" -> " +
                        (column.tag.empty() ? Text(u"NO TAG") : column.tag));
}

// Counts the rows and builds the bodies of the first few requests (those of an accepted plan
// of row requests only).
int ReadRows(TransferPlan& plan, TextView crChars, std::vector<Text>& bodies) {
    const bool composes = plan.Accepted() && plan.Kind() == RequestKind::RowRequests;
    int rows = 0;
    for (RecordCursor& cursor = plan.Rows(); !cursor.IsEOF(); cursor.MoveNext()) {
        if (composes && rows < PlanDescriber::kRequestsShown) {
            Text body;
            plan.Bodies().AppendBody(cursor, crChars, body);
            bodies.push_back(std::move(body));
        }
        ++rows;
    }
    return rows;
}

}  // namespace

PlanDescription PlanDescriber::Describe(TransferPlan& plan, const TableCatalog& catalog,
                                        TextView crChars) {
    PlanDescription out;
    if (!plan.Encoding()) {
        out.refusal = plan.Reason();
        return out;
    }
    out.lines.push_back(EncodingLine(*plan.Encoding()));
    if (Text problem = CatalogProblem(catalog); !problem.empty()) {
        out.refusal = std::move(problem);
        return out;
    }
    out.lines.push_back(u"table definitions: " + catalog.LoadedPath() + u" (" +
                        NumberText(static_cast<int>(catalog.TableCount())) + u" tables)");
    if (plan.Refused() == Refusal::CannotOpen || plan.Refused() == Refusal::NoTable) {
        out.refusal = plan.Reason();
        return out;
    }
    DescribeColumns(plan, out.lines);
    std::vector<Text> bodies;
    const int rows = ReadRows(plan, crChars, bodies);
    out.lines.push_back(u"rows: " + NumberText(rows));
    out.lines.push_back(u"operation: " + Text(ModeText(plan.Mode())));
    if (!plan.Accepted()) {
        out.refusal = plan.Reason();
    } else if (plan.Kind() == RequestKind::TableRequests) {
        out.lines.push_back(plan.Mode() == TransferMode::Read ? u"whole-table read"
                                                              : u"whole-table delete");
    } else {
        for (const Text& body : bodies)
            out.lines.push_back(u"  request: " + Visible(plan.RequestHeader() + body));
    }
    return out;
}

}  // namespace dorvex
