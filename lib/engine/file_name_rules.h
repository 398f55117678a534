// What the library reads from a data file's name: its encoding (".csv" 8-bit text, ".csw"
// UTF-16, written in lower case anywhere in the name), its table (the first table of the
// catalog whose name occurs in it, without regard to case) and the operation it names, when a
// caller lets the name decide; and, when a name fails either of the first two rules, what to
// rename it to.
#pragma once

#include <optional>

#include "platform/text.h"
#include "protocol/transfer_mode.h"

namespace dorvex {

class TableCatalog;

class FileNameRules {
  public:
    enum class Encoding { Narrow, Wide };

    // From the first ".csv" or ".csw" of the name (".csv" checked first); none without either.
    static std::optional<Encoding> EncodingOf(TextView name);
    static std::optional<Text> TableOf(TextView bareName, const TableCatalog& catalog);
    // From the first "_w.", "_r." or "_d." of the name; none without any of them.
    static std::optional<TransferMode> ModeOf(TextView bareName);

    // Why a name without ".csv" or ".csw" is refused, with the name it should have.
    static Text ExtensionProblem(TextView bareName);
    // Why a name that names no table is refused, with the tables it may name.
    static Text TableProblem(TextView bareName, const TableCatalog& catalog);
};

}  // namespace dorvex
