// Bytes waiting to go out on a connection or line, each piece with the time it is due. Pieces
// leave in the order they were queued, never before an earlier one: the scale answers one
// request after the other.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace dorvex::sim {

enum class WriteOutcome { Written, Close, Failed };

class OutgoingQueue {
  public:
    void Add(std::string bytes, std::int64_t dueMs);
    // The pieces of one reply: the first at `dueMs`, each next one `gapMs` later.
    void AddPieces(const std::vector<std::string>& pieces, std::int64_t dueMs, int gapMs);
    // The connection is closed once everything before this has been written.
    void AddClose(std::int64_t dueMs);

    // Writes what is due at `nowMs` to a non-blocking descriptor. Close when a close mark has
    // been reached, Failed when the write failed.
    WriteOutcome WriteDue(int fd, std::int64_t nowMs);

    // The time the next piece is due, or -1 when nothing waits.
    std::int64_t NextDueMs() const;
    // A due piece waits for room in the descriptor: poll it for writing.
    bool Blocked() const { return blocked_; }
    bool Empty() const { return pieces_.empty(); }

  private:
    struct Piece {
        std::string bytes;
        std::size_t written = 0;
        std::int64_t dueMs = 0;
        bool close = false;
    };
    void Push(Piece piece);

    std::deque<Piece> pieces_;
    bool blocked_ = false;
};

// Cuts `bytes` into at most `count` nearly equal pieces that do not cut a code unit.
std::vector<std::string> SplitIntoPieces(const std::string& bytes, int count, std::size_t unit);

}  // namespace dorvex::sim
