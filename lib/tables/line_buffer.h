// Buffered reading of physical lines from a stream, in units of one byte (8-bit files) or of
// one UTF-16 code unit (UTF-16LE files). The data is read in large chunks and lines are handed
// out as views into the buffer, so reading a line costs no allocation. A line is returned whole
// however long it is: the buffer grows to hold it.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <streambuf>
#include <string_view>
#include <vector>

namespace dorvex {

static_assert(std::endian::native == std::endian::little,
              "UTF-16LE files are read as native 16-bit units");

template <typename Unit>
class LineBuffer {
  public:
    using View = std::basic_string_view<Unit>;

    // Forgets the buffered data; the next read starts at `position` of the stream, which the
    // caller has set there.
    void Reset(std::int64_t position) {
        startPos_ = position;
        begin_ = 0;
        bytes_ = 0;
        sourceDone_ = false;
        justMoved_ = true;
    }

    // The size of the whole source, when known: a small source gets a small first buffer
    // instead of a full chunk.
    void SetSourceSize(std::int64_t bytes) {
        firstChunkBytes_ = kChunkBytes;
        if (bytes >= 0 && bytes < static_cast<std::int64_t>(kChunkBytes / 2))
            firstChunkBytes_ = std::max<std::size_t>(kSmallestChunkBytes, 2 * bytes + 2);
    }

    // Moves to `position` without touching the stream when that position is buffered.
    bool SeekWithin(std::int64_t position) {
        std::int64_t offset = position - startPos_;
        if (offset < 0 || offset > static_cast<std::int64_t>(bytes_))
            return false;
        if (offset % static_cast<std::int64_t>(sizeof(Unit)) != 0)
            return false;
        begin_ = static_cast<std::size_t>(offset) / sizeof(Unit);
        return true;
    }

    // Stream position of the first unit not yet handed out.
    std::int64_t Tell() const {
        return startPos_ + static_cast<std::int64_t>(begin_ * sizeof(Unit));
    }

    // The next line without its line feed; false when the stream has nothing more. A last line
    // without a line feed is a line like any other. An incomplete unit at the very end of the
    // stream is dropped. The view stays valid until the next call.
    bool Next(std::streambuf& source, View& line) {
        std::size_t searchFrom = begin_;
        for (;;) {
            std::size_t end = UnitCount();
            std::size_t feed = FindLineFeed(searchFrom, end);
            if (feed != end) {
                line = View(units_.data() + begin_, feed - begin_);
                begin_ = feed + 1;
                return true;
            }
            std::size_t shift = begin_;
            if (sourceDone_ || !Fill(source)) {
                sourceDone_ = true;
                end = UnitCount();
                if (begin_ >= end)
                    return false;
                line = View(units_.data() + begin_, end - begin_);
                begin_ = end;
                return true;
            }
            searchFrom = end - shift;
        }
    }

  private:
    static constexpr std::size_t kChunkBytes = 128 * 1024;
    static constexpr std::size_t kFirstChunkBytes = 4 * 1024;
    static constexpr std::size_t kSmallestChunkBytes = 256;

    std::size_t UnitCount() const { return bytes_ / sizeof(Unit); }

    std::size_t FindLineFeed(std::size_t from, std::size_t end) const {
        if (from >= end)
            return end;
        if constexpr (sizeof(Unit) == 1) {
            const void* hit = std::memchr(units_.data() + from, '\n', end - from);
            return hit ? static_cast<std::size_t>(static_cast<const Unit*>(hit) - units_.data())
                       : end;
        } else {
            for (std::size_t i = from; i < end; ++i) {
                if (units_[i] == Unit('\n'))
                    return i;
            }
            return end;
        }
    }

    // Moves the unread data to the front, makes room and reads more; false when nothing came.
    bool Fill(std::streambuf& source) {
        std::size_t consumedBytes = begin_ * sizeof(Unit);
        if (consumedBytes > 0) {
            char* base = reinterpret_cast<char*>(units_.data());
            std::memmove(base, base + consumedBytes, bytes_ - consumedBytes);
            bytes_ -= consumedBytes;
            startPos_ += static_cast<std::int64_t>(consumedBytes);
            begin_ = 0;
        }
        std::size_t capacityBytes = units_.size() * sizeof(Unit);
        if (units_.empty() || capacityBytes - bytes_ < std::min(kChunkBytes, capacityBytes) / 2) {
            std::size_t grown = units_.empty() ? firstChunkBytes_ : capacityBytes * 2;
            units_.resize(grown / sizeof(Unit));
            capacityBytes = units_.size() * sizeof(Unit);
        }
        char* target = reinterpret_cast<char*>(units_.data()) + bytes_;
        // Just after a move (a record read by its offset) one line is wanted more often than a
        // run of them: the first read is short.
        std::size_t wanted = capacityBytes - bytes_;
        if (justMoved_)
            wanted = std::min(wanted, kFirstChunkBytes);
        justMoved_ = false;
        std::streamsize got = source.sgetn(target, static_cast<std::streamsize>(wanted));
        if (got <= 0)
            return false;
        bytes_ += static_cast<std::size_t>(got);
        return true;
    }

    std::vector<Unit> units_;
    std::size_t begin_ = 0;      // first unit not yet handed out
    std::size_t bytes_ = 0;      // bytes held, possibly ending in half a unit
    std::int64_t startPos_ = 0;  // stream position of units_[0]
    bool sourceDone_ = false;    // the stream has reported its end
    bool justMoved_ = true;      // nothing read since the last Reset
    std::size_t firstChunkBytes_ = kChunkBytes;
};

}  // namespace dorvex
