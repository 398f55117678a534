#include "engine/transfer_engine.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>

#include "engine/error_log.h"
#include "engine/file_name_rules.h"
#include "engine/result_file.h"
#include "engine/transfer_plan.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/file_write.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "protocol/protocol_texts.h"
#include "protocol/reply_markers.h"

namespace dorvex {
namespace {

constexpr int kWorkerPauseMs = 10;
constexpr int kWorkerStartPauseMs = 2;
// A whole-table read asks for one record per request; the count comes from the scale and is
// held to what the request counter can carry.
constexpr std::int64_t kMaxRecordCount = std::numeric_limits<int>::max() - 1;

}  // namespace

TransferEngine::TransferEngine(Text tableFileName) : tableFileName_(std::move(tableFileName)) {}

TransferEngine::~TransferEngine() {
    StopWorker();
    if (channel_)
        channel_->Close();
}

// ---- life of the engine and its link ------------------------------------------------------

Result TransferEngine::Open(TextView link, TextView device, TextView address, int unicode) {
    moduleDirectory_ = ModuleDirectory();
    catalog_.Load(tableFileName_);
    // Which table.csv counts is the first question of support when tables are missing.
    TrafficTrace::Event("table", catalog_.Location().Describe());
    return OpenLink(link, device, address, unicode);
}

void TransferEngine::Close() {
    {
        std::lock_guard lock(statusMutex_);
        closing_ = true;
    }
    statusChanged_.notify_all();
    if (channel_)
        CloseLink();
    StopWorker();
    catalog_.Clear();
    requests_.Clear();
    replies_.clear();
}

Result TransferEngine::OpenLink(TextView link, TextView device, TextView address, int unicode) {
    if (channel_)
        CloseLink();
    Settings settings = CurrentSettings();
    channel_ = std::make_unique<CommChannel>(settings.displayErrors, settings.connectionTimeout);
    if (Result opened = channel_->Open(link, device, address, unicode); !opened)
        return Result::Failure(
            LogError(ErrorLog::kNoReply, {}, u"cannot open the link " + opened.Reason()));
    return {};
}

void TransferEngine::CloseLink() {
    StopWorker();
    requests_.Clear();
    if (channel_) {
        channel_->Close();
        channel_.reset();
    }
}

// ---- status -------------------------------------------------------------------------------

void TransferEngine::SetStatus(TransferStatus status) {
    {
        std::lock_guard lock(statusMutex_);
        status_.store(static_cast<int>(status));
    }
    statusChanged_.notify_all();
}

TransferStatus TransferEngine::WaitForOutcome(int timeoutMs) {
    std::unique_lock lock(statusMutex_);
    statusChanged_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [this] {
        const auto status = Status();
        return closing_ || status == TransferStatus::Terminated ||
               status == TransferStatus::TerminatedWithError;
    });
    return Status();
}

// ---- settings -----------------------------------------------------------------------------

TransferEngine::Settings TransferEngine::CurrentSettings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

void TransferEngine::SetDisplayErrors(bool on) {
    {
        std::lock_guard lock(settingsMutex_);
        settings_.displayErrors = on;
    }
    if (channel_)
        channel_->SetDisplayErrors(on);
}

void TransferEngine::SetConnectionTimeout(int milliseconds) {
    {
        std::lock_guard lock(settingsMutex_);
        settings_.connectionTimeout = milliseconds;
    }
    if (channel_)
        channel_->SetConnectTimeout(milliseconds);
}

void TransferEngine::SetDeviceNumber(TextView device) {
    {
        std::lock_guard lock(settingsMutex_);
        settings_.deviceNumber = Text(device);
    }
    if (channel_)
        channel_->SetDeviceNumber(device);
}

void TransferEngine::SetCrChars(TextView marker) {
    std::lock_guard lock(settingsMutex_);
    settings_.crChars = Text(marker);
}

void TransferEngine::SetInputDirectory(TextView directory) {
    std::lock_guard lock(settingsMutex_);
    settings_.inputDirectory = Text(directory);
}

void TransferEngine::SetOutputDirectory(TextView directory) {
    std::lock_guard lock(settingsMutex_);
    settings_.outputDirectory = Text(directory);
}

void TransferEngine::SetErrorDirectory(TextView directory) {
    std::lock_guard lock(settingsMutex_);
    settings_.errorDirectory = Text(directory);
}

void TransferEngine::SetReplyTimeouts(int rowMilliseconds, int tableMilliseconds) {
    std::lock_guard lock(settingsMutex_);
    if (rowMilliseconds > 0)
        settings_.rowReplyTimeout = rowMilliseconds;
    if (tableMilliseconds > 0)
        settings_.tableReplyTimeout = tableMilliseconds;
}

int TransferEngine::ReplyTimeout(RequestKind kind) const {
    std::lock_guard lock(settingsMutex_);
    return kind == RequestKind::TableRequests ? settings_.tableReplyTimeout
                                              : settings_.rowReplyTimeout;
}

// ---- raw messages -------------------------------------------------------------------------

Result TransferEngine::SendText(TextView text) {
    return channel_ ? channel_->Send(text) : Result::Failure(u"no link is open");
}

Text TransferEngine::ReceiveText() {
    if (!channel_)
        return {};
    return channel_->Receive(ReplyTimeout(requestKind_));
}

// ---- error log ----------------------------------------------------------------------------

Text TransferEngine::ErrorLogPath() const {
    return ErrorLog::PathFor(CurrentSettings().errorDirectory, moduleDirectory_);
}

Text TransferEngine::LogError(int code, TextView text, Text reason) {
    errorFlag_.store(true);
    Text line = ErrorLog::FormatLine(code, ErrorLog::Timestamp(std::time(nullptr)),
                                     CurrentSettings().deviceNumber, text);
    {
        std::lock_guard lock(logMutex_);
        lastLogLine_ = line;
    }
    if (reason.empty())
        reason = ErrorLog::MessageFor(code, text);
    // A line that cannot be written is lost from the log, so the caller hears of it instead;
    // the error flag fails the transfer either way.
    const Text path = ErrorLogPath();
    if (int error = ErrorLog::Append(path, line, unicodeFile_ == 1); error != 0)
        reason += u" (" + path + u" not written: " + SystemErrorText(error) + u")";
    NoteTransferError(reason);
    return reason;
}

void TransferEngine::NoteTransferError(const Text& reason) {
    std::lock_guard lock(logMutex_);
    if (transferError_.empty())
        transferError_ = reason;
}

Text TransferEngine::LastLogLine() const {
    std::lock_guard lock(logMutex_);
    return lastLogLine_;
}

Text TransferEngine::TransferError() const {
    std::lock_guard lock(logMutex_);
    return transferError_;
}

bool TransferEngine::ReplyWait(int& waitedMs, int& limitMs) const {
    const std::int64_t start = waitStartMs_.load();
    if (start < 0) {
        waitedMs = limitMs = 0;
        return false;
    }
    limitMs = waitLimitMs_.load();
    waitedMs = static_cast<int>(std::clamp<std::int64_t>(TickMs() - start, 0, limitMs));
    return true;
}

// ---- starting a transfer ------------------------------------------------------------------

Result TransferEngine::RefuseStart(Text reason) {
    NoteTransferError(reason);
    SetStatus(TransferStatus::TerminatedWithError);
    return Result::Failure(std::move(reason));
}

Result TransferEngine::StartTransfer(TextView fileName, TransferMode mode) {
    // The previous worker may still be writing its result file: its lists are not ours yet.
    if (!JoinWorker(kPreviousWorkerWaitMs))
        return Result::Failure(u"the previous transfer is still running");
    {
        std::lock_guard lock(logMutex_);
        transferError_.clear();
    }

    SetStatus(TransferStatus::Preparing);
    if (Result prepared = PrepareRequests(fileName, mode); !prepared)
        return prepared;
    StartWorker();
    return {};
}

// The data file is closed again before the worker starts.
Result TransferEngine::PrepareRequests(TextView fileName, TransferMode mode) {
    mode_ = mode;
    readPhase_ = ReadPhase::Count;
    dataFileName_ = Text(fileName);
    const Settings settings = CurrentSettings();
    TransferPlan plan({dataFileName_, mode, settings.inputDirectory, settings.deviceNumber},
                      catalog_);
    if (plan.Encoding())
        unicodeFile_ = *plan.Encoding() == FileNameRules::Encoding::Wide ? 1 : 0;
    if (!plan.Accepted())
        return RefusePlan(plan);

    dataHeaderLine_ = plan.DataHeaderLine();
    tableName_ = plan.Table();
    requestHeader_ = plan.RequestHeader();
    // Stored the way they travel: sending then costs no conversion.
    requests_.Clear(channel_ && channel_->CarriesUtf16() ? WireEncoding::Utf16Le
                                                         : WireEncoding::DataCodePage);
    replies_.clear();
    requestTotal_.store(ComposeRequests(plan));
    return {};
}

// A refusal for the file's content goes to error.log too; one for its name only to the caller.
Result TransferEngine::RefusePlan(const TransferPlan& plan) {
    using Refusal = TransferPlan::Refusal;
    const Refusal refusal = plan.Refused();
    if (refusal == Refusal::Extension || refusal == Refusal::NoTable)
        return RefuseStart(plan.Reason());
    if (refusal == Refusal::CannotOpen)
        return RefuseStart(LogError(
            ErrorLog::kCannotOpen, u"cannot open " + plan.BareName() + u" : check input directory.",
            plan.Reason()));
    // A column without a tag, or a write of a header alone: both are logged as a column
    // without a tag, the second with an empty column name.
    requestKind_ = plan.Kind();
    requests_.Clear();
    return RefuseStart(LogError(ErrorLog::kNoTag,
                                plan.MissingColumn() + u" from " + plan.BareName(), plan.Reason()));
}

int TransferEngine::ComposeRequests(TransferPlan& plan) {
    requestKind_ = plan.Kind();
    int total = 0;
    if (requestKind_ == RequestKind::RowRequests) {
        const Text crChars = CurrentSettings().crChars;
        for (RecordCursor& cursor = plan.Rows(); !cursor.IsEOF(); cursor.MoveNext()) {
            requests_.AppendRowBody(plan.Bodies(), cursor, crChars);
            if (++total == std::numeric_limits<int>::max())
                break;
        }
    } else {
        for (const Text& statement : plan.Statements())
            requests_.Append(statement);
        total = static_cast<int>(plan.Statements().size());
    }
    if (channel_)
        channel_->SetReceiveTimeout(ReplyTimeout(requestKind_));
    return total;
}

// ---- the worker ---------------------------------------------------------------------------

void TransferEngine::StartWorker() {
    sentCount_.store(0);
    receivedCount_.store(0);
    answeredOk_.store(0);
    answeredWithError_.store(0);
    errorFlag_.store(false);
    completed_ = false;
    {
        std::lock_guard lock(workerMutex_);
        workerDone_ = false;
    }
    workerRunning_.store(true);
    worker_ = std::thread([this] { RunTransfer(); });
    SleepMs(kWorkerStartPauseMs);
}

void TransferEngine::RunTransfer() {
    while (sentCount_.load() < requestTotal_.load() && workerRunning_.load()) {
        const std::int64_t sentUs = TickUs();
        if (!SendNextRequest())
            break;
        ReceiveReply();
        SleepUntilUs(PauseStartUs(sentUs) + std::int64_t{kWorkerPauseMs} * 1000);
    }
    WriteResults();
    PublishOutcome();
    workerRunning_.store(false);
    std::lock_guard lock(workerMutex_);
    workerDone_ = true;
    workerEnded_.notify_all();
}

// The pause after an exchange runs from the end of the reply (the end of its quiet time), so
// that the time taken to notice and record the reply does not lengthen it; from now when no
// reply came.
std::int64_t TransferEngine::PauseStartUs(std::int64_t sentUs) const {
    const std::int64_t now = TickUs();
    const std::int64_t replyEnd = channel_ ? channel_->ReplyEndUs() : 0;
    return replyEnd > sentUs ? std::min(replyEnd, now) : now;
}

// 4 or 5 only once the result file is on disk: a caller acts on them at once (the desktop
// program deletes the input file on 4).
void TransferEngine::PublishOutcome() {
    if (errorFlag_.load()) {
        SetStatus(TransferStatus::TerminatedWithError);
    } else if (completed_) {
        SetStatus(TransferStatus::Terminated);
    }
}

bool TransferEngine::JoinWorker(int timeoutMs) {
    if (!worker_.joinable())
        return true;
    {
        std::unique_lock lock(workerMutex_);
        if (!workerEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return workerDone_; })) {
            return false;
        }
    }
    worker_.join();
    return true;
}

void TransferEngine::StopWorker() {
    if (!worker_.joinable())
        return;
    workerRunning_.store(false);
    // Every wait of the link is interruptible, so the worker ends within moments.
    if (channel_)
        channel_->Interrupt();
    worker_.join();
}

Result TransferEngine::SendNextRequest() {
    SetStatus(TransferStatus::Sending);
    const int sent = sentCount_.load();
    if (sent >= requestTotal_.load())
        return {};
    if (requests_.Empty())
        return Result::Failure(u"no request is prepared");

    std::size_t node = static_cast<std::size_t>(sent);
    if (requestKind_ == RequestKind::TableRequests) {
        // A delete has one statement; a read's count goes first, then the records one by one.
        if (sent == 1 && mode_ == TransferMode::Read && readPhase_ == ReadPhase::Count) {
            requestHeader_ = SqlHeader(ModeText(TransferMode::Read, ReadPhase::Records),
                                       ReadDeviceText(CurrentSettings().deviceNumber));
            readPhase_ = ReadPhase::Records;
        }
        node = readPhase_ == ReadPhase::Records ? 1 : 0;
    }
    std::string message = requests_.Encode(requestHeader_);
    message += requests_.At(node);
    Result sentNow =
        channel_ ? channel_->SendEncoded(message) : Result::Failure(u"no link is open");
    if (!sentNow)
        return Result::Failure(LogError(ErrorLog::kNotSent, {},
                                        DescribeRequest() + u" was not sent: " + sentNow.Reason()));
    sentCount_.fetch_add(1);
    return {};
}

void TransferEngine::ReceiveReply() {
    SetStatus(TransferStatus::Receiving);
    waitLimitMs_.store(ReplyTimeout(requestKind_));
    waitStartMs_.store(TickMs());
    Text reply = ReceiveText();
    waitStartMs_.store(-1);
    if (reply.empty())
        LogError(ErrorLog::kNoReply, {}, ReasonForMissingReply());
    if (IsErrorReply(reply))
        LogError(ErrorLog::kDatabaseError, reply,
                 u"the scale refused " + DescribeRequest() + u": " + LoggedErrorText(reply));
    if (IsUnknownReply(reply))
        LogError(ErrorLog::kDatabaseError, reply,
                 u"the scale did not recognise " + DescribeRequest());
    if (requestKind_ == RequestKind::TableRequests && mode_ == TransferMode::Read &&
        readPhase_ == ReadPhase::Count)
        TakeRecordCount(reply);
    (IsSuccessReply(reply) ? answeredOk_ : answeredWithError_).fetch_add(1);

    const int received = receivedCount_.fetch_add(1) + 1;
    if (received <= requestTotal_.load() && received == sentCount_.load()) {
        replies_.push_back(std::move(reply));
    }
    if (received == requestTotal_.load())
        completed_ = true;
}

// "request 2 of 3" (the count grows during a whole-table read).
Text TransferEngine::DescribeRequest() const {
    return u"request " + NumberText(std::max(sentCount_.load(), 1)) + u" of " +
           NumberText(requestTotal_.load());
}

Text TransferEngine::ReasonForMissingReply() const {
    const WaitEnd end = channel_ ? channel_->LastWaitEnd() : WaitEnd::LineLost;
    if (end == WaitEnd::LineLost)
        return u"the scale closed the connection while " + DescribeRequest() +
               u" waited for its reply";
    if (end == WaitEnd::Interrupted)
        return u"the transfer was stopped while " + DescribeRequest() + u" waited for its reply";
    return u"no reply from the scale to " + DescribeRequest() + u" within " +
           NumberText(ReplyTimeout(requestKind_)) + u" ms";
}

void TransferEngine::TakeRecordCount(TextView reply) {
    std::optional<std::int64_t> count = RecordCountOf(reply);
    if (!count)
        return;
    // A negative count cannot be a number of records: the reply is wrong, say so and read none.
    if (*count < 0) {
        LogError(ErrorLog::kDatabaseError, reply);
        requestTotal_.store(1);
        return;
    }
    requestTotal_.store(static_cast<int>(std::min(*count, kMaxRecordCount)) + 1);
}

void TransferEngine::WriteResults() {
    const Settings settings = CurrentSettings();
    const ReplyContext context{mode_, readPhase_, requestKind_, settings.crChars, &catalog_};
    Text header = ResultFile::HeaderLine(context, replies_, dataHeaderLine_);
    std::vector<Text> lines;
    std::vector<TextView> lineReplies = ResultFile::LineReplies(context, replies_);
    if (lineReplies.empty())
        lineReplies.push_back(TextView());
    lines.reserve(lineReplies.size());
    for (TextView reply : lineReplies)
        lines.push_back(ResultFile::LineFor(context, reply));

    const bool hadError = errorFlag_.load();
    Text path = ResultFile::PathFor(dataFileName_, unicodeFile_ == 1, hadError,
                                    settings.outputDirectory, settings.errorDirectory);
    int error = ResultFile::Write(path, unicodeFile_ == 1, header, lines);
    if (error == 0)
        return;
    // Without its result file a transfer has not succeeded, whatever the scale answered; the
    // replies still go to the error directory when that one can take them.
    LogError(ErrorLog::kNoResultFile, path,
             u"result file not written: " + path + u": " + SystemErrorText(error));
    if (hadError)
        return;
    Text errorPath = ResultFile::PathFor(dataFileName_, unicodeFile_ == 1, true,
                                         settings.outputDirectory, settings.errorDirectory);
    // A second refusal adds nothing to the line already logged.
    ResultFile::Write(errorPath, unicodeFile_ == 1, header, lines);
}

}  // namespace dorvex
