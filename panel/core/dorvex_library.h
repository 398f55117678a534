#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace dorvex::panel {

// The exports of the transfer library that the program calls. Strings are converted to the
// library's 8-bit API encoding by the implementation.
class DorvexLibrary {
  public:
    using ErrorSink = std::function<void(const QString& title, const QString& text)>;

    virtual ~DorvexLibrary() = default;
    virtual int SetConnectionTimeout(int milliseconds) = 0;
    virtual int SetDisplayErrorMode(int mode) = 0;
    virtual int OpenDorvex(const QString& link, const QString& device, const QString& address,
                           int reserved, int unicode, const QString& tableFile) = 0;
    virtual int CloseDorvex() = 0;
    virtual int SetInputDir(const QString& directory) = 0;
    virtual int SetOutputDir(const QString& directory) = 0;
    virtual int SetErrorDir(const QString& directory) = 0;
    virtual int SetDestination(const QString& device) = 0;
    virtual int SetCRChar(const QString& marker) = 0;
    virtual int SendWriteFile(const QString& fileName) = 0;
    virtual int SendReadFile(const QString& fileName) = 0;
    virtual int SendDeleteFile(const QString& fileName) = 0;
    // Pauses 200 ms inside the library; may run away from the window's thread.
    virtual int GetCommStatus() = 0;
    // Requests sent and expected; false when the library cannot tell.
    virtual bool GetTransferProgress(int& sent, int& expected) = 0;
    // Where the library's own error messages go (may be called from its threads).
    virtual void SetErrorSink(ErrorSink sink) = 0;

    // Extras of newer libraries; an older library answers as documented for each.
    // Reply timeouts for row and whole-table requests: 1 done, -1 refused, 0 when the library
    // cannot set them.
    virtual int SetReplyTimeout(int rowMilliseconds, int tableMilliseconds) = 0;
    // True while the transfer waits for a reply, with the time waited and its limit.
    virtual bool GetReplyWait(int& waitedMilliseconds, int& limitMilliseconds) = 0;
    // Why the last failed call of this thread failed; empty when the library cannot tell.
    virtual QString GetLastErrorText() = 0;
    // Why the last transfer ended with status 5; empty when the library cannot tell.
    virtual QString GetTransferErrorText() = 0;
};

// Binds the library at the first start of the automatic mode; on failure it returns nothing
// and says why in error.
using LibraryLoader = std::function<std::unique_ptr<DorvexLibrary>(QString& error)>;

}  // namespace dorvex::panel
