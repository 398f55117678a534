#include "request_log.h"

namespace dorvex::sim {

bool RequestLog::Open(const std::string& path) {
    if (path.empty())
        return true;
    file_.reset(std::fopen(path.c_str(), "w"));
    return file_ != nullptr;
}

void RequestLog::Write(std::int64_t sequence, TextView request) {
    if (!file_)
        return;
    std::string line = std::to_string(sequence) + "\t" + Escape(request) + "\n";
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
}

std::string RequestLog::Escape(TextView text) {
    static const char* const kHex = "0123456789ABCDEF";
    Text escaped;
    escaped.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'\\') {
            escaped += u"\\\\";
        } else if (c == u'\r') {
            escaped += u"\\r";
        } else if (c == u'\n') {
            escaped += u"\\n";
        } else if (c == u'\t') {
            escaped += u"\\t";
        } else if (c < 0x20 || c == 0x7F) {
            escaped += u"\\x";
            escaped.push_back(static_cast<char16_t>(kHex[c >> 4]));
            escaped.push_back(static_cast<char16_t>(kHex[c & 0x0F]));
        } else {
            escaped.push_back(c);
        }
    }
    return ToUtf8(escaped);
}

}  // namespace dorvex::sim
