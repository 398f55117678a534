#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <deque>
#include <mutex>

#include "core/dorvex_library.h"

namespace dorvex::panel::testing {

// Records every call as "Name(arg,arg)" and answers from what the test set up.
class FakeDorvexLibrary : public DorvexLibrary {
  public:
    int openResult = 1;
    int closeResult = 1;
    int defaultSendResult = 1;
    QHash<QString, int> sendResults;  // by file name
    int sent = 0;
    int expected = 0;
    // The extras of newer libraries; an older library is the default: none of them.
    int replyTimeoutResult = 0;
    QString lastErrorText;      // kept for the call that failed, like the library's
    QString transferErrorText;  // the reason of the last status 5

    // Status answers in order; the last one repeats.
    void QueueStatuses(std::initializer_list<int> statuses);
    QStringList Calls() const;
    // What GetReplyWait answers: waiting (waited, limit), or not waiting when limit is 0.
    void SetReplyWait(int waitedMilliseconds, int limitMilliseconds);
    int CountCalls(const QString& prefix) const;

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
    bool GetTransferProgress(int& sentOut, int& expectedOut) override;
    void SetErrorSink(ErrorSink sink) override;
    int SetReplyTimeout(int rowMilliseconds, int tableMilliseconds) override;
    bool GetReplyWait(int& waitedMilliseconds, int& limitMilliseconds) override;
    QString GetLastErrorText() override;
    QString GetTransferErrorText() override;

    ErrorSink errorSink;

  private:
    int Record(const QString& call, int result);
    int Send(const QString& name, const QString& fileName);

    mutable std::mutex mutex_;  // GetCommStatus may run on the poll thread
    QStringList calls_;
    std::deque<int> statuses_{0};
    int waited_ = 0;
    int limit_ = 0;
};

}  // namespace dorvex::panel::testing
