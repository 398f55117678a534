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
#include "platform/text.h"
#include "tables/table_catalog.h"

namespace dorvex {

class DataFile;
class RecordCursor;

class TransferEngine {
  public:
    // How long a new start waits for the previous worker to write its result file.
    static constexpr int kPreviousWorkerWaitMs = 10000;

    explicit TransferEngine(Text tableFileName);
    ~TransferEngine();
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    int Open(TextView link, TextView address, TextView device, int reserved, int unicode);
    int Close();
    int OpenLink(TextView link, TextView address, TextView device, int reserved, int unicode);
    int CloseLink();
    // Prepares the requests of a write ("w"), read ("r") or delete ("d") and starts the worker.
    int StartTransfer(TextView fileName, TextView mode);
    int SendNextRequest();
    int ReceiveReply();
    int LogError(int code, TextView text);

    bool SendText(TextView text);
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

    TransferStatus Status() const { return static_cast<TransferStatus>(status_.load()); }
    int SentCount() const { return sentCount_.load(); }
    int RequestTotal() const { return requestTotal_.load(); }
    bool HasChannel() const { return channel_ != nullptr; }
    const TableCatalog& Catalog() const { return catalog_; }
    Text LastLogLine() const;
    Text ErrorLogPath() const;

  private:
    struct Settings {
        Text deviceNumber = u"1";
        Text crChars;
        Text inputDirectory;
        Text outputDirectory;
        Text errorDirectory;
        bool displayErrors = false;
        int connectionTimeout = 5000;
    };

    Settings CurrentSettings() const;
    void SetStatus(TransferStatus status) { status_.store(static_cast<int>(status)); }
    int RefuseStart();
    int ComposeRequests(RecordCursor& cursor, DataFile& file, Text& missingColumn);
    int ComposeWholeTableRequests(RecordCursor& cursor, const Text& table);
    int WriteResults();
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
    Text mode_ = u"r";
    RequestList requests_;
    std::vector<Text> replies_;
    Text selectColumns_;
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
    std::atomic<bool> errorFlag_{false};
    mutable std::mutex logMutex_;
    Text lastLogLine_;

    std::thread worker_;
    std::atomic<bool> workerRunning_{false};
    std::mutex workerMutex_;
    std::condition_variable workerEnded_;
    bool workerDone_ = true;
};

}  // namespace dorvex
