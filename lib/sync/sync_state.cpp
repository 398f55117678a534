#include "sync/sync_state.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/file_write.h"
#include "platform/path.h"
#include "sync/row_digest.h"

namespace dorvex {
namespace {

constexpr std::string_view kMagic = "DORVEXS1";

void PutNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t Checksum(std::string_view bytes) {
    std::uint64_t hash = RowDigest::kStart;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// Reads little-endian numbers and byte runs, never past the end.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Number(std::uint64_t& value, int bytes) {
        if (bytes_.size() - pos_ < static_cast<std::size_t>(bytes))
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[pos_ + i]))
                     << (8 * i);
        pos_ += static_cast<std::size_t>(bytes);
        return true;
    }
    bool Bytes(std::string_view& value, std::uint64_t length) {
        if (bytes_.size() - pos_ < length)
            return false;
        value = bytes_.substr(pos_, static_cast<std::size_t>(length));
        pos_ += static_cast<std::size_t>(length);
        return true;
    }
    std::size_t Left() const { return bytes_.size() - pos_; }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

bool KeyLess(const StateEntry& a, const StateEntry& b) {
    return a.key < b.key;
}

}  // namespace

SyncState::LoadOutcome SyncState::Load(TextView path, Text& reason) {
    entries_.clear();
    savedAt_ = 0;
    std::ifstream file(FileSystemPath(path), std::ios::binary | std::ios::ate);
    if (!file.is_open()) {
        std::error_code ignored;
        if (!std::filesystem::exists(std::filesystem::path(Text(path)), ignored))
            return LoadOutcome::Missing;
        reason = u"the state file cannot be opened";
        return LoadOutcome::Damaged;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxFileBytes) {
        reason = u"the state file is unreadable or too large";
        return LoadOutcome::Damaged;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.seekg(0);
    if (!file.read(bytes.data(), size)) {
        reason = u"the state file could not be read";
        return LoadOutcome::Damaged;
    }
    if (!Parse(bytes, reason)) {
        entries_.clear();
        savedAt_ = 0;
        return LoadOutcome::Damaged;
    }
    return LoadOutcome::Loaded;
}

bool SyncState::Parse(std::string_view bytes, Text& reason) {
    entries_.clear();
    if (bytes.size() < kMagic.size() + 8 || bytes.substr(0, kMagic.size()) != kMagic) {
        reason = u"the state file is not a sync state";
        return false;
    }
    std::string_view body = bytes.substr(0, bytes.size() - 8);
    Reader tail(bytes.substr(bytes.size() - 8));
    std::uint64_t stored = 0;
    tail.Number(stored, 8);
    if (stored != Checksum(body)) {
        reason = u"the state file fails its checksum (cut short or altered)";
        return false;
    }
    Reader in(body.substr(kMagic.size()));
    std::uint64_t savedAt = 0, tableLength = 0, count = 0;
    std::string_view table;
    if (!in.Number(savedAt, 8) || !in.Number(tableLength, 2) || !in.Bytes(table, tableLength) ||
        !in.Number(count, 8)) {
        reason = u"the state file's header is cut short";
        return false;
    }
    if (FromUtf8(table) != table_) {
        reason = u"the state file belongs to table " + FromUtf8(table);
        return false;
    }
    // Every entry takes at least 10 bytes: a count beyond that is a lie, not a reason to
    // reserve memory.
    if (count > in.Left() / 10) {
        reason = u"the state file's entry count does not fit its size";
        return false;
    }
    entries_.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t keyLength = 0, digest = 0;
        std::string_view key;
        if (!in.Number(keyLength, 2) || !in.Bytes(key, keyLength) || !in.Number(digest, 8)) {
            reason = u"the state file's entries are cut short";
            return false;
        }
        if (!entries_.empty() && !(entries_.back().key < key)) {
            reason = u"the state file's keys are out of order";
            return false;
        }
        entries_.push_back({std::string(key), digest});
    }
    if (in.Left() != 0) {
        reason = u"the state file has bytes after its entries";
        return false;
    }
    savedAt_ = static_cast<std::int64_t>(savedAt);
    return true;
}

std::string SyncState::Serialize(std::int64_t savedAt) const {
    const std::string table = ToUtf8(table_).substr(0, 0xFFFF);
    std::size_t size = kMagic.size() + 8 + 2 + table.size() + 8 + 8;
    for (const StateEntry& entry : entries_)
        size += 10 + entry.key.size();
    std::string out;
    out.reserve(size);
    out.append(kMagic);
    PutNumber(out, static_cast<std::uint64_t>(savedAt), 8);
    PutNumber(out, table.size(), 2);
    out.append(table);
    PutNumber(out, entries_.size(), 8);
    for (const StateEntry& entry : entries_) {
        PutNumber(out, entry.key.size(), 2);
        out.append(entry.key);
        PutNumber(out, entry.digest, 8);
    }
    PutNumber(out, Checksum(out), 8);
    return out;
}

int SyncState::Save(TextView path, std::int64_t savedAt) {
    const int error = ReplaceFileContents(path, Serialize(savedAt));
    if (error == 0)
        savedAt_ = savedAt;
    return error;
}

std::size_t SyncState::IndexOf(std::string_view key) const {
    auto found =
        std::lower_bound(entries_.begin(), entries_.end(), key,
                         [](const StateEntry& entry, std::string_view k) { return entry.key < k; });
    if (found == entries_.end() || found->key != key)
        return std::string::npos;
    return static_cast<std::size_t>(found - entries_.begin());
}

void SyncState::Apply(std::vector<StateEntry> acknowledged,
                      const std::vector<std::string>& removed) {
    std::erase_if(acknowledged, [](const StateEntry& e) { return e.key.size() > kMaxKeyBytes; });
    // Stable, and the last of equal keys kept: that row was sent after the others.
    std::stable_sort(acknowledged.begin(), acknowledged.end(), KeyLess);
    std::vector<StateEntry> unique;
    unique.reserve(acknowledged.size());
    for (StateEntry& entry : acknowledged) {
        if (!unique.empty() && unique.back().key == entry.key)
            unique.back() = std::move(entry);
        else
            unique.push_back(std::move(entry));
    }
    std::vector<std::string> gone(removed);
    std::sort(gone.begin(), gone.end());

    std::vector<StateEntry> merged;
    merged.reserve(entries_.size() + unique.size());
    auto oldIt = entries_.begin();
    auto newIt = unique.begin();
    while (oldIt != entries_.end() || newIt != unique.end()) {
        if (newIt == unique.end() || (oldIt != entries_.end() && oldIt->key < newIt->key)) {
            merged.push_back(std::move(*oldIt++));
        } else if (oldIt == entries_.end() || newIt->key < oldIt->key) {
            merged.push_back(std::move(*newIt++));
        } else {
            merged.push_back(std::move(*newIt++));
            ++oldIt;
        }
    }
    std::erase_if(merged, [&gone](const StateEntry& entry) {
        return std::binary_search(gone.begin(), gone.end(), entry.key);
    });
    entries_ = std::move(merged);
}

}  // namespace dorvex
