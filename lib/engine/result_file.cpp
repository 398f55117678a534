#include "engine/result_file.h"

#include "platform/code_page.h"
#include "platform/file_write.h"
#include "platform/path.h"
#include "protocol/reply_markers.h"
#include "tables/table_catalog.h"

namespace dorvex {
namespace {

bool ReadsRecords(const ReplyContext& context) {
    return context.mode == TransferMode::Read && context.phase == ReadPhase::Records;
}

bool IsWholeTableContinuation(const ReplyContext& context) {
    return context.kind == RequestKind::TableRequests && ReadsRecords(context);
}

Text ReadValue(const ReplyContext& context, TextView reply) {
    Text value;
    if (context.kind == RequestKind::RowRequests) {
        value = ParseReplyValues(*context.catalog, reply);
    } else if (ReadsRecords(context)) {
        value = WholeTableValueOf(reply);
    }
    return UnescapeReadValue(value, context.crChars);
}

}  // namespace

Text ResultFile::PathFor(TextView dataFileName, bool unicodeFile, bool withError,
                         TextView outputDirectory, TextView errorDirectory) {
    TextView extension = unicodeFile ? u".csw" : u".csv";
    Text name(dataFileName.substr(0, std::min(dataFileName.find(extension), dataFileName.size())));
    name += withError ? u"_e" : u"_a";
    name += extension;
    TextView directory = withError ? errorDirectory : outputDirectory;
    if (HasPathSeparator(name) || directory.empty())
        return name;
    return JoinPath(directory, name);
}

std::vector<TextView> ResultFile::LineReplies(const ReplyContext& context,
                                              const std::vector<Text>& replies) {
    std::vector<TextView> out(replies.begin(), replies.end());
    if (IsWholeTableContinuation(context) && !out.empty())
        out.erase(out.begin());
    return out;
}

Text ResultFile::HeaderLine(const ReplyContext& context, const std::vector<Text>& replies,
                            TextView dataHeaderLine) {
    if (context.kind == RequestKind::RowRequests)
        return context.catalog->FieldNames();
    std::size_t examined = IsWholeTableContinuation(context) ? 1 : 0;
    Text source(dataHeaderLine);
    const bool countOnly = context.mode == TransferMode::Read && !ReadsRecords(context);
    if (examined < replies.size() && !countOnly && Contains(replies[examined], u"<fld>")) {
        source = FieldListOf(replies[examined]);
    }
    Text header;
    std::size_t start = 0;
    while (start <= source.size()) {
        std::size_t end = std::min(source.find(u';', start), source.size());
        Text name = context.catalog->FieldNameOf(TextView(source).substr(start, end - start));
        if (!header.empty())
            header += u';';
        header += name;
        start = end + 1;
    }
    return header;
}

Text ResultFile::LineFor(const ReplyContext& context, TextView reply) {
    if (reply.empty())
        return u"No Reply";
    if (IsUnknownReply(reply))
        return u"Unknown message";
    if (IsErrorReply(reply))
        return ErrorResultText(reply);
    return context.mode == TransferMode::Read ? ReadValue(context, reply) : Text(u"OK");
}

int ResultFile::Write(TextView path, bool unicodeFile, TextView header,
                      const std::vector<Text>& lines) {
    auto encode = [unicodeFile](TextView text) {
        return unicodeFile ? ToUtf16LeBytes(text) : EncodeData(text);
    };
    std::string bytes = encode((unicodeFile ? Text(u"\uFEFF") : Text()) + Text(header) + u"\r\n");
    for (const Text& line : lines)
        bytes += encode(line + u"\r\n");
    return ReplaceFileContents(path, bytes);
}

}  // namespace dorvex
