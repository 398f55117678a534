// Where the sync states of one scale live: a directory (by default "dorvex" under the user's
// state directory) holding, per scale identity (link, address, device), a lock file and one
// state file per table. The names keep the identity readable and add a digest of it, so that
// identities that read alike after the cleaning never share a file.
#pragma once

#include "platform/file_lock.h"
#include "platform/text.h"

namespace dorvex {

class StateStore {
  public:
    // `directory` empty: the default one. The identity is any text naming the scale.
    StateStore(TextView directory, TextView identity);

    // Creates the directory and takes the scale's lock. False with the reason; `busy` tells
    // a sync already running on the scale from other failures.
    bool Lock(Text& reason, bool& busy);
    void Unlock() { lock_.Unlock(); }

    Text StatePath(TextView table) const;
    Text LockPath() const;
    const Text& Directory() const { return directory_; }

    static Text DefaultDirectory();
    static Text FileNameOf(TextView identity);

  private:
    Text directory_;
    Text identity_;
    Text stem_;
    FileLock lock_;
};

}  // namespace dorvex
