#include "engine/request_list.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/code_page.h"
#include "protocol/row_body_builder.h"

namespace dorvex {

RequestList::RequestList() : codePage_(DataCodePage()) {}

RequestList::~RequestList() = default;

void RequestList::Clear(WireEncoding encoding) {
    encoding_ = encoding;
    codePage_ = DataCodePage();
    std::vector<Block>().swap(blocks_);
    std::vector<std::unique_ptr<std::size_t[]>>().swap(endChunks_);
    count_ = 0;
    std::string().swap(scratch_);
    Text().swap(body_);
}

std::string_view RequestList::At(std::size_t index) const {
    if (index >= count_)
        return {};
    const std::size_t begin = index == 0 ? 0 : EndOf(index - 1);
    const std::size_t length = EndOf(index) - begin;
    if (length == 0)
        return {};
    // A request never straddles two blocks: the last block that starts at or before it holds it.
    auto block = std::upper_bound(blocks_.begin(), blocks_.end(), begin,
                                  [](std::size_t at, const Block& b) { return at < b.base; });
    --block;
    return std::string_view(block->bytes.get() + (begin - block->base), length);
}

// Room for up to `length` bytes at the end of the store, in the last block or in a new one (a
// request larger than a block gets a block of its own size). The last block's unused end is
// left behind: the next block begins where the stored bytes end.
char* RequestList::Reserve(std::size_t length) {
    if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < length) {
        Block block;
        block.base = StoredBytes();
        block.capacity = std::max(length, kBlockBytes);
        block.bytes = std::make_unique_for_overwrite<char[]>(block.capacity);
        blocks_.push_back(std::move(block));
    }
    Block& last = blocks_.back();
    return last.bytes.get() + last.used;
}

// Ends the request of `length` bytes written where Reserve pointed.
void RequestList::Commit(std::size_t length) {
    Block& last = blocks_.back();
    last.used += length;
    if (count_ % kEndsPerChunk == 0)
        endChunks_.push_back(std::make_unique_for_overwrite<std::size_t[]>(kEndsPerChunk));
    endChunks_.back()[count_ % kEndsPerChunk] = last.base + last.used;
    ++count_;
}

std::size_t RequestList::EndOf(std::size_t index) const {
    return endChunks_[index / kEndsPerChunk][index % kEndsPerChunk];
}

void RequestList::Append(TextView body) {
    if (encoding_ == WireEncoding::Utf16Le) {
        char* out = Reserve(2 * body.size());
        if constexpr (std::endian::native == std::endian::little) {
            if (!body.empty())
                std::memcpy(out, body.data(), 2 * body.size());
        } else {
            for (char16_t unit : body) {
                *out++ = static_cast<char>(unit & 0xFF);
                *out++ = static_cast<char>(unit >> 8);
            }
        }
        Commit(2 * body.size());
        return;
    }
    scratch_.clear();
    codePage_->EncodeAppend(body, scratch_);
    char* out = Reserve(scratch_.size());
    if (!scratch_.empty())
        std::memcpy(out, scratch_.data(), scratch_.size());
    Commit(scratch_.size());
}

// A body is written straight into the store when the builder can write it in one pass in the
// store's encoding: with room for its largest possible length, or for its exact length when
// that bound would exceed a block (a very long line is then measured first, so that its block
// is no larger than it).
void RequestList::AppendRowBody(const RowBodyBuilder& builder, const RecordCursor& cursor,
                                TextView crChars) {
    const bool wide = encoding_ == WireEncoding::Utf16Le;
    if (builder.WritesInOnePass(crChars) && (wide || codePage_->OneBytePerUnit())) {
        const std::size_t unitBytes = wide ? 2 : 1;
        std::size_t units = builder.OnePassBound(cursor);
        if (units * unitBytes > kBlockBytes)
            units = builder.OnePassLength(cursor, crChars);
        char* out = Reserve(units * unitBytes);
        const std::size_t written = wide ? builder.WriteUtf16Le(cursor, crChars, out)
                                         : builder.WriteOneByte(cursor, crChars, *codePage_, out);
        Commit(written * unitBytes);
        return;
    }
    body_.clear();
    builder.AppendBody(cursor, crChars, body_);
    Append(body_);
}

std::string RequestList::Encode(TextView text) const {
    std::string out;
    EncodeAppend(text, out);
    return out;
}

void RequestList::EncodeAppend(TextView text, std::string& out) const {
    if (encoding_ == WireEncoding::Utf16Le) {
        out += ToUtf16LeBytes(text);
    } else {
        codePage_->EncodeAppend(text, out);
    }
}

}  // namespace dorvex
