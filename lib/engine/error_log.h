// "error.log": one tab-separated line per error met while opening a link or running a
// transfer, for the person who looks after the system.
#pragma once

#include <ctime>

#include "platform/text.h"

namespace dorvex {

class ErrorLog {
  public:
    enum Code : int {
        kNoReply = 100,        // "Timeout; waiting reply from scale"
        kDatabaseError = 101,  // the scale's error reply, or a message it did not recognise
        kNotSent = 102,        // the link refused the message
        kNoTag = 104,          // a data column without a tag in the table
        kCannotOpen = 106,     // the data file cannot be opened
        kNoResultFile = 107,   // the result file cannot be written
    };

    static constexpr const char16_t* kFileName = u"error.log";

    // The message part of a line: "Timeout; waiting reply from scale", ...
    static Text MessageFor(int code, TextView text);
    // "%s\\error.log" in the error directory when set, else in the library's directory.
    static Text PathFor(TextView errorDirectory, TextView moduleDirectory);
    // UTC, "%a %d %b %Y - %H:%M:%S" with English names whatever the locale.
    static Text Timestamp(std::time_t when);
    // The whole line with its CR LF; for 101 the text after the error marker of `text`.
    static Text FormatLine(int code, TextView timestamp, TextView device, TextView text);
    // Appends the whole line as UTF-16LE (unicode) or in the data code page, or nothing of it.
    // 0, or the system's error code.
    static int Append(TextView path, TextView line, bool unicode);
};

}  // namespace dorvex
