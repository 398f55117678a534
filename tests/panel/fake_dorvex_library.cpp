#include "fake_dorvex_library.h"

namespace dorvex::panel::testing {

void FakeDorvexLibrary::QueueStatuses(std::initializer_list<int> statuses) {
    std::lock_guard lock(mutex_);
    statuses_.assign(statuses.begin(), statuses.end());
}

QStringList FakeDorvexLibrary::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

int FakeDorvexLibrary::CountCalls(const QString& prefix) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const QString& call : calls_) {
        count += call.startsWith(prefix) ? 1 : 0;
    }
    return count;
}

int FakeDorvexLibrary::Record(const QString& call, int result) {
    std::lock_guard lock(mutex_);
    calls_ << call;
    return result;
}

int FakeDorvexLibrary::SetConnectionTimeout(int ms) {
    return Record(QStringLiteral("SetConnectionTimeout(%1)").arg(ms), ms > 0 ? 1 : -1);
}

int FakeDorvexLibrary::SetDisplayErrorMode(int mode) {
    return Record(QStringLiteral("SetDisplayErrorMode(%1)").arg(mode), 1);
}

int FakeDorvexLibrary::OpenDorvex(const QString& link, const QString& device,
                                  const QString& address, int reserved, int unicode,
                                  const QString& tableFile) {
    return Record(QStringLiteral("OpenDorvex(%1,%2,%3,%4,%5,%6)")
                      .arg(link, device, address)
                      .arg(reserved)
                      .arg(unicode)
                      .arg(tableFile),
                  openResult);
}

int FakeDorvexLibrary::CloseDorvex() {
    return Record(QStringLiteral("CloseDorvex()"), closeResult);
}

int FakeDorvexLibrary::SetInputDir(const QString& d) {
    return Record(QStringLiteral("SetInputDir(%1)").arg(d), 1);
}

int FakeDorvexLibrary::SetOutputDir(const QString& d) {
    return Record(QStringLiteral("SetOutputDir(%1)").arg(d), 1);
}

int FakeDorvexLibrary::SetErrorDir(const QString& d) {
    return Record(QStringLiteral("SetErrorDir(%1)").arg(d), 1);
}

int FakeDorvexLibrary::SetDestination(const QString& device) {
    return Record(QStringLiteral("SetDestination(%1)").arg(device), 1);
}

int FakeDorvexLibrary::SetCRChar(const QString& marker) {
    return Record(QStringLiteral("SetCRChar(%1)").arg(marker), 1);
}

int FakeDorvexLibrary::Send(const QString& name, const QString& fileName) {
    return Record(name + QLatin1Char('(') + fileName + QLatin1Char(')'),
                  sendResults.value(fileName, defaultSendResult));
}

int FakeDorvexLibrary::SendWriteFile(const QString& f) {
    return Send(QStringLiteral("SendWriteFile"), f);
}

int FakeDorvexLibrary::SendReadFile(const QString& f) {
    return Send(QStringLiteral("SendReadFile"), f);
}

int FakeDorvexLibrary::SendDeleteFile(const QString& f) {
    return Send(QStringLiteral("SendDeleteFile"), f);
}

int FakeDorvexLibrary::GetCommStatus() {
    std::lock_guard lock(mutex_);
    const int status = statuses_.front();
    if (statuses_.size() > 1) {
        statuses_.pop_front();
    }
    calls_ << QStringLiteral("GetCommStatus()");
    return status;
}

bool FakeDorvexLibrary::GetTransferProgress(int& sentOut, int& expectedOut) {
    sentOut = sent;
    expectedOut = expected;
    return true;
}

void FakeDorvexLibrary::SetErrorSink(ErrorSink sink) {
    errorSink = std::move(sink);
}

void FakeDorvexLibrary::SetReplyWait(int waitedMilliseconds, int limitMilliseconds) {
    std::lock_guard lock(mutex_);
    waited_ = waitedMilliseconds;
    limit_ = limitMilliseconds;
}

int FakeDorvexLibrary::SetReplyTimeout(int rowMilliseconds, int tableMilliseconds) {
    return Record(
        QStringLiteral("SetReplyTimeout(%1,%2)").arg(rowMilliseconds).arg(tableMilliseconds),
        replyTimeoutResult);
}

bool FakeDorvexLibrary::GetReplyWait(int& waitedMilliseconds, int& limitMilliseconds) {
    std::lock_guard lock(mutex_);
    const bool waiting = limit_ > 0;
    waitedMilliseconds = waiting ? waited_ : 0;
    limitMilliseconds = limit_;
    return waiting;
}

QString FakeDorvexLibrary::GetLastErrorText() {
    return lastErrorText;
}

QString FakeDorvexLibrary::GetTransferErrorText() {
    return transferErrorText;
}

}  // namespace dorvex::panel::testing
