#include "engine/error_log.h"

#include <cstdio>

#include "platform/calendar.h"
#include "platform/code_page.h"
#include "platform/file_write.h"
#include "platform/path.h"
#include "protocol/reply_markers.h"

namespace dorvex {
namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

Text ErrorLog::MessageFor(int code, TextView text) {
    switch (code) {
        case ErrorLog::kNoReply:
            return u"Timeout; waiting reply from scale";
        case ErrorLog::kDatabaseError:
            return u"Database error : " + LoggedErrorText(text);
        case ErrorLog::kNotSent:
            return u"Message not sent";
        case ErrorLog::kNoTag:
            return u"Tag for column " + Text(text) + u" does not exist";
        case ErrorLog::kCannotOpen:
            return Text(text);
        case ErrorLog::kNoResultFile:
            return u"Result file not written: " + Text(text);
        default:
            return Text(text);
    }
}

Text ErrorLog::PathFor(TextView errorDirectory, TextView moduleDirectory) {
    if (!errorDirectory.empty())
        return JoinPath(errorDirectory, kFileName);
    return Text(moduleDirectory) + kFileName;
}

Text ErrorLog::Timestamp(std::time_t when) {
    const std::tm utc = UtcCalendar(when);
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%s %02d %s %04d - %02d:%02d:%02d",
                  kWeekdays[utc.tm_wday % 7], utc.tm_mday, kMonths[utc.tm_mon % 12],
                  utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return Ascii(buffer);
}

Text ErrorLog::FormatLine(int code, TextView timestamp, TextView device, TextView text) {
    return Text(timestamp) + u"\tDevice " + Text(device) + u"\t" + MessageFor(code, text) + u"\r\n";
}

int ErrorLog::Append(TextView path, TextView line, bool unicode) {
    return AppendToFile(path, unicode ? ToUtf16LeBytes(line) : EncodeData(line));
}

}  // namespace dorvex
