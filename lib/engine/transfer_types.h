// Values shared by the engine and its callers.
#pragma once

namespace dorvex {

// The engine's state as GetCommStatus returns it.
enum class TransferStatus : int {
    Ready = 0,
    Preparing = 1,
    Sending = 2,
    Receiving = 3,
    Terminated = 4,
    TerminatedWithError = 5,
};

// One request per data row, or a whole-table statement; decides the reply timeout.
enum class RequestKind : int {
    RowRequests = 1000,
    TableRequests = 1001,
};

constexpr int kRowReplyTimeoutMs = 5000;
constexpr int kTableReplyTimeoutMs = 9000000;

constexpr int ReplyTimeoutFor(RequestKind kind) {
    return kind == RequestKind::TableRequests ? kTableReplyTimeoutMs : kRowReplyTimeoutMs;
}

}  // namespace dorvex
