// The one object behind the exported functions: the settings, the table catalog, the channel
// to the scale and the state of one transfer at a time. A transfer is prepared on the
// caller's thread and carried out by a worker thread that sends the requests one by one,
// waits for one reply after each and finally writes the result file.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/request_list.h"
#include "engine/transfer_types.h"
#include "link/comm_channel.h"
#include "platform/result.h"
#include "platform/text.h"
#include "protocol/transfer_mode.h"
#include "tables/table_catalog.h"

namespace dorvex {

class TransferPlan;

class TransferEngine {
  public:
    // How long a new start waits for the previous worker to write its result file.
    static constexpr int kPreviousWorkerWaitMs = 10000;

    explicit TransferEngine(Text tableFileName);
    ~TransferEngine();
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // A failure's reason is the one the caller reports (the last-error text).
    Result Open(TextView link, TextView device, TextView address, int unicode);
    void Close();
    Result OpenLink(TextView link, TextView device, TextView address, int unicode);
    void CloseLink();
    // Prepares the requests of a write, read or delete and starts the worker.
    Result StartTransfer(TextView fileName, TransferMode mode);
    Result SendNextRequest();
    void ReceiveReply();
    // Appends the line of `code` to error.log and fails the transfer. `reason` says the same
    // to the caller in more detail (the line's message when empty); returned as it stands,
    // with the log's own trouble if it could not be written.
    Text LogError(int code, TextView text, Text reason = {});

    Result SendText(TextView text);
    Text ReceiveText();

    // Settings given through the exports. With an open link the display flag and connection
    // timeout go straight into it.
    void SetDisplayErrors(bool on);
    void SetConnectionTimeout(int milliseconds);
    void SetDeviceNumber(TextView device);
    void SetCrChars(TextView marker);
    void SetInputDirectory(TextView directory);
    void SetOutputDirectory(TextView directory);
    void SetErrorDirectory(TextView directory);
    // Reply timeouts in ms for row and whole-table requests; 0 keeps the current value.
    void SetReplyTimeouts(int rowMilliseconds, int tableMilliseconds);
    int ReplyTimeout(RequestKind kind) const;
    Text InputDirectory() const { return CurrentSettings().inputDirectory; }
    Text OutputDirectory() const { return CurrentSettings().outputDirectory; }
    Text ErrorDirectory() const { return CurrentSettings().errorDirectory; }
    Text DeviceNumber() const { return CurrentSettings().deviceNumber; }
    Text CrChars() const { return CurrentSettings().crChars; }

    TransferStatus Status() const { return static_cast<TransferStatus>(status_.load()); }
    // Blocks until the transfer ends (4 or 5), the engine is closed or timeoutMs pass; the
    // status then.
    TransferStatus WaitForOutcome(int timeoutMs);
    int SentCount() const { return sentCount_.load(); }
    // Replies of the current (or latest) transfer that reported success, and the others.
    int AnsweredOk() const { return answeredOk_.load(); }
    int AnsweredWithError() const { return answeredWithError_.load(); }
    int RequestTotal() const { return requestTotal_.load(); }
    bool HasChannel() const { return channel_ != nullptr; }
    const TableCatalog& Catalog() const { return catalog_; }
    Text LastLogLine() const;
    Text ErrorLogPath() const;
    // While the worker waits for a reply: true, with the milliseconds waited and the limit.
    bool ReplyWait(int& waitedMs, int& limitMs) const;
    // The first error of the current (or latest) transfer; empty when it had none.
    Text TransferError() const;

  private:
    struct Settings {
        Text deviceNumber = u"1";
        Text crChars;
        Text inputDirectory;
        Text outputDirectory;
        Text errorDirectory;
        bool displayErrors = false;
        int connectionTimeout = 5000;
        int rowReplyTimeout = kRowReplyTimeoutMs;
        int tableReplyTimeout = kTableReplyTimeoutMs;
    };

    Settings CurrentSettings() const;
    void SetStatus(TransferStatus status);
    Result RefuseStart(Text reason);
    Result PrepareRequests(TextView fileName, TransferMode mode);
    Result RefusePlan(const TransferPlan& plan);
    void NoteTransferError(const Text& reason);
    Text DescribeRequest() const;
    Text ReasonForMissingReply() const;
    int ComposeRequests(TransferPlan& plan);
    void WriteResults();
    void TakeRecordCount(TextView reply);
    void StartWorker();
    void RunTransfer();
    std::int64_t PauseStartUs(std::int64_t sentUs) const;
    void PublishOutcome();
    // Waits up to timeoutMs for the worker to end and joins it; false if it still runs.
    bool JoinWorker(int timeoutMs);
    void StopWorker();

    // Settings (guarded: the exports may write them while a worker reads them).
    mutable std::mutex settingsMutex_;
    Settings settings_;
    Text tableFileName_;
    Text moduleDirectory_;

    std::unique_ptr<CommChannel> channel_;
    TableCatalog catalog_;

    // Transfer state: written by the caller's thread before the worker starts and only by
    // the worker while it runs.
    TransferMode mode_ = TransferMode::Read;
    ReadPhase readPhase_ = ReadPhase::Count;  // of a whole-table read
    RequestList requests_;
    std::vector<Text> replies_;
    Text requestHeader_;
    Text dataHeaderLine_;
    Text dataFileName_;
    Text tableName_;
    RequestKind requestKind_ = RequestKind::RowRequests;
    int unicodeFile_ = -1;
    bool completed_ = false;

    // Read from other threads (status, progress) or written by both (error flag).
    std::atomic<int> status_{static_cast<int>(TransferStatus::Ready)};
    std::atomic<int> requestTotal_{0};
    std::atomic<int> sentCount_{0};
    std::atomic<int> receivedCount_{0};
    std::atomic<int> answeredOk_{0};
    std::atomic<int> answeredWithError_{0};
    std::mutex statusMutex_;  // with statusChanged_, for callers that wait for the outcome
    std::condition_variable statusChanged_;
    bool closing_ = false;
    std::atomic<bool> errorFlag_{false};
    mutable std::mutex logMutex_;  // guards the two texts below
    Text lastLogLine_;
    Text transferError_;
    std::atomic<std::int64_t> waitStartMs_{-1};
    std::atomic<int> waitLimitMs_{0};

    std::thread worker_;
    std::atomic<bool> workerRunning_{false};
    std::mutex workerMutex_;
    std::condition_variable workerEnded_;
    bool workerDone_ = true;
};

}  // namespace dorvex
