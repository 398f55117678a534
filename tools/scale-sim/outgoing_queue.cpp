#include "outgoing_queue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace dorvex::sim {

void OutgoingQueue::Push(Piece piece) {
    if (!pieces_.empty())
        piece.dueMs = std::max(piece.dueMs, pieces_.back().dueMs);
    pieces_.push_back(std::move(piece));
}

void OutgoingQueue::Add(std::string bytes, std::int64_t dueMs) {
    Push({std::move(bytes), 0, dueMs, false});
}

void OutgoingQueue::AddPieces(const std::vector<std::string>& pieces, std::int64_t dueMs,
                              int gapMs) {
    for (const std::string& piece : pieces) {
        Add(piece, dueMs);
        dueMs += gapMs;
    }
}

void OutgoingQueue::AddClose(std::int64_t dueMs) {
    Push({{}, 0, dueMs, true});
}

WriteOutcome OutgoingQueue::WriteDue(int fd, std::int64_t nowMs) {
    blocked_ = false;
    while (!pieces_.empty() && pieces_.front().dueMs <= nowMs) {
        Piece& piece = pieces_.front();
        if (piece.close)
            return WriteOutcome::Close;
        while (piece.written < piece.bytes.size()) {
            ssize_t count =
                ::write(fd, piece.bytes.data() + piece.written, piece.bytes.size() - piece.written);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                blocked_ = true;
                return WriteOutcome::Written;
            }
            if (count < 0)
                return WriteOutcome::Failed;
            piece.written += static_cast<std::size_t>(count);
        }
        pieces_.pop_front();
    }
    return WriteOutcome::Written;
}

std::int64_t OutgoingQueue::NextDueMs() const {
    return pieces_.empty() ? -1 : pieces_.front().dueMs;
}

std::vector<std::string> SplitIntoPieces(const std::string& bytes, int count, std::size_t unit) {
    std::size_t units = bytes.size() / unit;
    std::size_t pieceCount = std::clamp<std::size_t>(static_cast<std::size_t>(count), 1,
                                                     std::max<std::size_t>(units, 1));
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < pieceCount; ++i) {
        std::size_t end =
            i + 1 == pieceCount ? bytes.size() : (units * (i + 1) / pieceCount) * unit;
        pieces.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return pieces;
}

}  // namespace dorvex::sim
