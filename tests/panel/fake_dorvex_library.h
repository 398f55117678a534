#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <mutex>

#include "core/dorvex_library.h"

namespace dorvex::panel::testing {

using namespace Qt::StringLiterals;

// Records every call as "Name(arg,arg)" and answers from what the test set up.
class FakeDorvexLibrary : public DorvexLibrary {
  public:
    int openResult = 1;
    int closeResult = 1;
    QHash<QString, int> sendResults;  // by file name
    int sent = 0;
    int expected = 0;
    int replyLimit = 0;  // not waiting for a reply while 0
    int replyWaited = 0;
    QString lastErrorText;      // kept for the call that failed, like the library's
    QString transferErrorText;  // the reason of the last status 5

    // Status answers in order; the last one repeats.
    void QueueStatuses(std::initializer_list<int> statuses) {
        std::lock_guard lock(mutex_);
        statuses_.assign(statuses.begin(), statuses.end());
    }
    QStringList Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int CountCalls(const QString& prefix) const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(
            calls_.begin(), calls_.end(), [&](const QString& c) { return c.startsWith(prefix); }));
    }

    int SetConnectionTimeout(int ms) override {
        return Record("SetConnectionTimeout", QString::number(ms));
    }
    int SetDisplayErrorMode(int mode) override {
        return Record("SetDisplayErrorMode", QString::number(mode));
    }
    int OpenDorvex(const QString& link, const QString& device, const QString& address, int reserved,
                   int unicode, const QString& tableFile) override {
        return Record("OpenDorvex",
                      QStringList{link, device, address, QString::number(reserved),
                                  QString::number(unicode), tableFile}
                          .join(u','),
                      openResult);
    }
    int CloseDorvex() override { return Record("CloseDorvex", QString(), closeResult); }
    int SetInputDir(const QString& d) override { return Record("SetInputDir", d); }
    int SetOutputDir(const QString& d) override { return Record("SetOutputDir", d); }
    int SetErrorDir(const QString& d) override { return Record("SetErrorDir", d); }
    int SetDestination(const QString& device) override { return Record("SetDestination", device); }
    int SetCRChar(const QString& marker) override { return Record("SetCRChar", marker); }
    int SendWriteFile(const QString& f) override { return Send("SendWriteFile", f); }
    int SendReadFile(const QString& f) override { return Send("SendReadFile", f); }
    int SendDeleteFile(const QString& f) override { return Send("SendDeleteFile", f); }
    int GetCommStatus() override {
        std::lock_guard lock(mutex_);
        const int status = statuses_.front();
        if (statuses_.size() > 1) {
            statuses_.pop_front();
        }
        calls_ << u"GetCommStatus()"_s;
        return status;
    }
    bool GetTransferProgress(int& sentOut, int& expectedOut) override {
        sentOut = sent;
        expectedOut = expected;
        return true;
    }
    void SetErrorSink(ErrorSink) override {}
    int SetReplyTimeout(int, int) override { return 0; }  // like an older library
    bool GetReplyWait(int& waitedMilliseconds, int& limitMilliseconds) override {
        waitedMilliseconds = replyLimit > 0 ? replyWaited : 0;
        limitMilliseconds = replyLimit;
        return replyLimit > 0;
    }
    QString GetLastErrorText() override { return lastErrorText; }
    QString GetTransferErrorText() override { return transferErrorText; }

  private:
    int Record(const char* name, const QString& arguments, int result = 1) {
        std::lock_guard lock(mutex_);
        calls_ << QString::fromLatin1(name) + u'(' + arguments + u')';
        return result;
    }
    int Send(const char* name, const QString& fileName) {
        return Record(name, fileName, sendResults.value(fileName, 1));
    }

    mutable std::mutex mutex_;  // GetCommStatus may run on the poll thread
    QStringList calls_;
    std::deque<int> statuses_{0};
};

// A loader that hands out a new fake each time and leaves it in `slot`.
inline LibraryLoader FakeLoader(FakeDorvexLibrary*& slot) {
    return [&slot](QString&) -> std::unique_ptr<DorvexLibrary> {
        auto library = std::make_unique<FakeDorvexLibrary>();
        slot = library.get();
        return library;
    };
}

}  // namespace dorvex::panel::testing
