// The result file of a transfer: one header line, then one line per reply, named after the
// data file with "_a" (no error) or "_e" (an error was logged) before its extension.
#pragma once

#include <vector>

#include "engine/transfer_types.h"
#include "platform/text.h"
#include "protocol/transfer_mode.h"

namespace dorvex {

class TableCatalog;

struct ReplyContext {
    TransferMode mode;
    ReadPhase phase;  // of a whole-table read
    RequestKind kind;
    TextView crChars;  // line-break marker, or empty
    const TableCatalog* catalog;
};

class ResultFile {
  public:
    // The data file name cut before its first ".csv" (".csw"), then "_a" or "_e" and the
    // extension; in the output (or error) directory when the name has no directory part and
    // that directory is set.
    static Text PathFor(TextView dataFileName, bool unicodeFile, bool withError,
                        TextView outputDirectory, TextView errorDirectory);

    // The header line: the table's field names for row requests; for whole-table requests the
    // field list of the examined reply (or the data file's header), each name as the table
    // definition writes it.
    static Text HeaderLine(const ReplyContext& context, const std::vector<Text>& replies,
                           TextView dataHeaderLine);
    // The result line for one reply.
    static Text LineFor(const ReplyContext& context, TextView reply);
    // The replies that produce lines: all of them, except the count reply of a whole-table read.
    static std::vector<TextView> LineReplies(const ReplyContext& context,
                                             const std::vector<Text>& replies);

    // Creates (replaces) the file with header and lines, each ending in CR LF; UTF-16LE with a
    // byte-order mark before the header, or the data code page. The file appears under its
    // name only when complete. 0, or the system's error code.
    static int Write(TextView path, bool unicodeFile, TextView header,
                     const std::vector<Text>& lines);
};

}  // namespace dorvex
