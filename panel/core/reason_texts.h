#pragma once

#include <QString>

#include <optional>

namespace dorvex::panel {

// The texts that tell the user why a file or a start failed, and how long a reply has been
// awaited, in the window's language. The library's own reason texts are used as they come.
class ReasonTexts {
  public:
    // A file refused at the start of its transfer: the library's reason; without one, what
    // to rename where the program's name rule took a name that the library's refuses.
    static QString Refused(int languageCode, const QString& name, const QString& libraryText);
    // A transfer that ended with status 5: the library's reason; without one, the result
    // file that was not written (resultMissing names it), or a pointer to error.log.
    static QString Failed(int languageCode, const QString& transferText,
                          const QString& resultMissing);
    static QString UnknownStatus(int languageCode, int status);
    // A file that could not be moved or removed: the cause and, for a move, the free space.
    static QString NotMoved(int languageCode, const QString& why,
                            std::optional<double> freeMegabytes);
    static QString NotRemoved(int languageCode, const QString& why);
    // The link that did not open: the library's cause and the address tried.
    static QString OpenFailed(int languageCode, const QString& libraryText, const QString& address);
    static QString ReplyWait(int languageCode, int waitedMilliseconds, int limitMilliseconds);
    // The wait as the log and the command-line tool say it, in English.
    static QString ReplyWaitLogLine(int waitedMilliseconds, int limitMilliseconds);
    // The result file that the library writes for a data file ("x_w.csv" -> "x_w_e.csv");
    // empty when the name has neither ".csv" nor ".csw".
    static QString ResultFileName(const QString& dataFileName, bool withError);
    // The name with its extension in lower case when the program's rule (any case) takes it
    // and the library's rule (lower case only) would not; empty otherwise.
    static QString LowerCaseExtensionName(const QString& dataFileName);
};

}  // namespace dorvex::panel
