#pragma once

#include <QLibrary>
#include <QStringList>

#include <memory>
#include <mutex>

#include "dorvex.h"
#include "dorvex_library.h"

namespace dorvex::panel {

// The real library, bound by name at run time: every export is looked up by its plain name.
class SharedDorvexLibrary : public DorvexLibrary {
  public:
    // Tries each candidate file in turn; nothing when none loads or an export is missing.
    static std::unique_ptr<DorvexLibrary> Load(const QStringList& candidates, QString& error);
    // The program's directory first, then the plain name through the system's search.
    static QStringList DefaultCandidates(const QString& programDir);
    ~SharedDorvexLibrary() override;

    int SetConnectionTimeout(int milliseconds) override;
    int SetDisplayErrorMode(int mode) override;
    int OpenDorvex(const QString& link, const QString& device, const QString& address, int reserved,
                   int unicode, const QString& tableFile) override;
    int CloseDorvex() override;
    int SetInputDir(const QString& directory) override;
    int SetOutputDir(const QString& directory) override;
    int SetErrorDir(const QString& directory) override;
    int SetDestination(const QString& device) override;
    int SetCRChar(const QString& marker) override;
    int SendWriteFile(const QString& fileName) override;
    int SendReadFile(const QString& fileName) override;
    int SendDeleteFile(const QString& fileName) override;
    int GetCommStatus() override;
    bool GetTransferProgress(int& sent, int& expected) override;
    void SetErrorSink(ErrorSink sink) override;
    int SetReplyTimeout(int rowMilliseconds, int tableMilliseconds) override;
    bool GetReplyWait(int& waitedMilliseconds, int& limitMilliseconds) override;
    QString GetLastErrorText() override;
    QString GetTransferErrorText() override;

  private:
    // Exports of newer libraries, declared here so that the program also builds and runs
    // against a library whose header or binary lacks them.
    using SetReplyTimeoutFunction = int(DORVEX_CALL*)(int, int);
    using GetReplyWaitFunction = int(DORVEX_CALL*)(int*, int*);
    using ErrorTextFunction = int(DORVEX_CALL*)(char*, int);

    struct Exports {
        decltype(&::SetConnectionTimeout) setConnectionTimeout = nullptr;
        decltype(&::SetDisplayErrorMode) setDisplayErrorMode = nullptr;
        decltype(&::OpenDorvex) openDorvex = nullptr;
        decltype(&::CloseDorvex) closeDorvex = nullptr;
        decltype(&::SetInputDir) setInputDir = nullptr;
        decltype(&::SetOutputDir) setOutputDir = nullptr;
        decltype(&::SetErrorDir) setErrorDir = nullptr;
        decltype(&::SetDestination) setDestination = nullptr;
        decltype(&::SetCRChar) setCRChar = nullptr;
        decltype(&::SendWriteFile) sendWriteFile = nullptr;
        decltype(&::SendReadFile) sendReadFile = nullptr;
        decltype(&::SendDeleteFile) sendDeleteFile = nullptr;
        decltype(&::GetCommStatus) getCommStatus = nullptr;
        // Extras: used when present.
        decltype(&::GetTransferProgress) getTransferProgress = nullptr;
        decltype(&::SetErrorDisplayHandler) setErrorDisplayHandler = nullptr;
        SetReplyTimeoutFunction setReplyTimeout = nullptr;
        GetReplyWaitFunction getReplyWait = nullptr;
        ErrorTextFunction getLastErrorText = nullptr;
        ErrorTextFunction getTransferErrorText = nullptr;
    };

    SharedDorvexLibrary(std::unique_ptr<QLibrary> library, const Exports& exports);
    static bool Resolve(QLibrary& library, Exports& exports, QString& missing);
    static void ResolveExtras(QLibrary& library, Exports& exports);
    static QString CopyText(ErrorTextFunction function);
    static void DORVEX_CALL ForwardError(const char* title, const char* text, void* context);

    std::unique_ptr<QLibrary> library_;
    Exports exports_;
    std::mutex sinkMutex_;
    ErrorSink sink_;
};

}  // namespace dorvex::panel
