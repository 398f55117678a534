// Exports that look without acting: where the library and its table definitions lie, and the
// plan of a transfer without any engine or link (the dry run of `dorvex check`).
#include "api/export_support.h"
#include "api/last_error.h"
#include "dorvex.h"
#include "engine/file_name_rules.h"
#include "engine/plan_description.h"
#include "engine/transfer_plan.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "platform/system_encoding.h"
#include "tables/table_catalog.h"
#include "tables/table_file_locator.h"

using dorvex::Text;
using dorvex::TransferMode;
using namespace dorvex::api;

namespace {

// Copies `text` like GetLastErrorText; the length of all of it in bytes.
int CopyWhole(const Text& text, char* buffer, int size) {
    CopyReason(text, buffer, size);
    return static_cast<int>(dorvex::EncodeApiText(text).size());
}

// The mode given, or the one the name holds; a write when it holds none.
std::optional<TransferMode> PlannedMode(const char* mode, const Text& fileName) {
    const Text given = FromApi(mode);
    if (!given.empty())
        return dorvex::TransferModeOf(given);
    return dorvex::FileNameRules::ModeOf(dorvex::BaseName(fileName)).value_or(TransferMode::Write);
}

Text JoinedLines(const std::vector<Text>& lines) {
    Text out;
    for (const Text& line : lines)
        out += line + u"\n";
    return out;
}

}  // namespace

extern "C" {

DORVEX_API int DORVEX_CALL GetLibraryPath(char* path, int size) {
    return CopyWhole(dorvex::ModulePath(), path, size);
}

DORVEX_API int DORVEX_CALL FindTableFile(const char* table_file, char* path, int size) {
    const dorvex::TableFileLocation location =
        dorvex::TableFileLocator::ForThisModule().Locate(FromApi(table_file));
    const int length = CopyWhole(location.found ? location.path : Text(), path, size);
    return location.found ? length : Failed(location.Describe());
}

DORVEX_API int DORVEX_CALL PlanTransfer(const char* table_file, const char* input_dir,
                                        const char* data_file, const char* mode, const char* device,
                                        const char* marker, char* plan, int plan_size) {
    if (plan != nullptr && plan_size > 0)
        plan[0] = '\0';
    dorvex::TransferPlan::Source source;
    source.fileName = FromApi(data_file);
    const std::optional<TransferMode> planned = PlannedMode(mode, source.fileName);
    if (!planned)
        return Failed(u"the mode must be \"w\", \"r\" or \"d\", not \"" + FromApi(mode) + u"\"");
    source.mode = *planned;
    source.inputDirectory = FromApi(input_dir);
    source.deviceNumber = FromApi(device);
    dorvex::TableCatalog catalog;
    catalog.Load(FromApi(table_file));
    dorvex::TransferPlan transferPlan(std::move(source), catalog);
    dorvex::PlanDescription description =
        dorvex::PlanDescriber::Describe(transferPlan, catalog, FromApi(marker));
    const int length = CopyWhole(JoinedLines(description.lines), plan, plan_size);
    return description.refusal.empty() ? length : Failed(std::move(description.refusal));
}

}  // extern "C"
