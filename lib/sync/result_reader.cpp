#include "sync/result_reader.h"

#include <fstream>

#include "platform/code_page.h"
#include "platform/path.h"

namespace dorvex {

std::optional<ResultLines> ResultReader::Read(TextView path, bool wide, Text& reason) {
    std::ifstream file(FileSystemPath(path), std::ios::binary | std::ios::ate);
    if (!file.is_open()) {
        reason = u"no result file " + Text(path);
        return std::nullopt;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxBytes) {
        reason = u"the result file " + Text(path) + u" is unreadable or too large";
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.seekg(0);
    if (!file.read(bytes.data(), size)) {
        reason = u"the result file " + Text(path) + u" could not be read";
        return std::nullopt;
    }
    Text text = wide ? FromUtf16LeBytes(bytes) : DecodeData(bytes);
    if (!text.empty() && text.front() == u'\uFEFF')
        text.erase(0, 1);
    return Split(text);
}

ResultLines ResultReader::Split(TextView text) {
    ResultLines result;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(u"\r\n"), text.size());
        Text line(text.substr(0, end));
        text.remove_prefix(std::min(end + 2, text.size()));
        if (first)
            result.header = std::move(line);
        else
            result.lines.push_back(std::move(line));
        first = false;
    }
    return result;
}

}  // namespace dorvex
