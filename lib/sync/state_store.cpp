#include "sync/state_store.h"

#include "platform/file_write.h"
#include "platform/path.h"
#include "platform/state_directory.h"
#include "sync/row_digest.h"

namespace dorvex {
namespace {

bool IsPlainUnit(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.';
}

Text Hex(std::uint64_t value, int digits) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    Text out(static_cast<std::size_t>(digits), u'0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return out;
}

Text Cleaned(TextView text, std::size_t limit) {
    Text out;
    for (char16_t c : text.substr(0, limit))
        out.push_back(IsPlainUnit(c) ? c : u'_');
    return out;
}

}  // namespace

StateStore::StateStore(TextView directory, TextView identity)
    : directory_(directory.empty() ? DefaultDirectory() : Text(directory)),
      identity_(identity),
      stem_(FileNameOf(identity)) {}

Text StateStore::DefaultDirectory() {
    Text base = UserStateDirectory();
    return base.empty() ? Text() : JoinPath(base, u"dorvex");
}

Text StateStore::FileNameOf(TextView identity) {
    return Cleaned(identity, 80) + u"-" + Hex(RowDigest::OfText(RowDigest::kStart, identity), 12);
}

Text StateStore::StatePath(TextView table) const {
    return JoinPath(directory_, stem_ + u"." + Cleaned(table, 64) + u".state");
}

Text StateStore::LockPath() const {
    return JoinPath(directory_, stem_ + u".lock");
}

bool StateStore::Lock(Text& reason, bool& busy) {
    busy = false;
    if (directory_.empty()) {
        reason = u"no directory for sync states: give one, or set HOME or XDG_STATE_HOME";
        return false;
    }
    if (int error = CreateDirectories(directory_); error != 0) {
        reason =
            u"cannot create the state directory " + directory_ + u": " + SystemErrorText(error);
        return false;
    }
    Text why;
    switch (lock_.TryLock(LockPath(), why)) {
        case FileLock::Outcome::Locked:
            return true;
        case FileLock::Outcome::Busy:
            busy = true;
            reason = u"another sync is running on the scale " + identity_ + u" (" + LockPath() +
                     u" is locked); try again when it has ended";
            return false;
        case FileLock::Outcome::Failed:
            break;
    }
    reason = u"cannot lock " + LockPath() + u": " + why;
    return false;
}

}  // namespace dorvex
