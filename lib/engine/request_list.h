// Request bodies in sending order, each stored once in the encoding it will travel in (the
// data code page, or UTF-16LE for a TCP link that carries UTF-16), so that sending costs no
// conversion and an 8-bit file does not double in memory. The bodies lie in large blocks: a
// million-row file costs neither a heap block per request nor a copy of everything each time
// the store grows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace dorvex {

class CodePage;
class RecordCursor;
class RowBodyBuilder;

enum class WireEncoding { DataCodePage, Utf16Le };

class RequestList {
  public:
    static constexpr std::size_t kBlockBytes = std::size_t{4} << 20;

    RequestList();
    ~RequestList();
    RequestList(const RequestList&) = delete;
    RequestList& operator=(const RequestList&) = delete;

    // Forgets every request; those that follow are stored in `encoding` (the data code page
    // as it is now).
    void Clear(WireEncoding encoding = WireEncoding::DataCodePage);
    WireEncoding Encoding() const { return encoding_; }
    bool Empty() const { return count_ == 0; }
    std::size_t Size() const { return count_; }
    // The stored bytes of one request; empty past the end.
    std::string_view At(std::size_t index) const;

    void Append(TextView body);
    // The body of the cursor's current record (see RowBodyBuilder).
    void AppendRowBody(const RowBodyBuilder& builder, const RecordCursor& cursor, TextView crChars);
    // A text in the store's encoding (a request's header, say).
    std::string Encode(TextView text) const;
    void EncodeAppend(TextView text, std::string& out) const;

  private:
    struct Block {
        std::size_t base = 0;  // position of its first byte among all stored bytes
        std::size_t used = 0;
        std::size_t capacity = 0;
        std::unique_ptr<char[]> bytes;
    };
    // Requests whose ends one chunk of the index holds.
    static constexpr std::size_t kEndsPerChunk = std::size_t{1} << 16;

    char* Reserve(std::size_t length);
    void Commit(std::size_t length);
    std::size_t EndOf(std::size_t index) const;
    std::size_t StoredBytes() const { return count_ == 0 ? 0 : EndOf(count_ - 1); }

    WireEncoding encoding_ = WireEncoding::DataCodePage;
    std::shared_ptr<const CodePage> codePage_;
    std::vector<Block> blocks_;
    // The end of each request among all stored bytes, in chunks that never move: a million
    // requests cost no copy of the whole index each time it grows.
    std::vector<std::unique_ptr<std::size_t[]>> endChunks_;
    std::size_t count_ = 0;
    std::string scratch_;  // one body being encoded
    Text body_;            // one body being built
};

}  // namespace dorvex
