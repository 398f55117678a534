// The sync state on disk: what is saved is what loads, and any damage is recognised as such;
// the lock that keeps two syncs of one scale apart.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_lock.h"
#include "support/scoped_environment.h"
#include "support/test_directory.h"
#include "sync/state_store.h"
#include "sync/sync_state.h"

namespace {

using dorvex::FileLock;
using dorvex::StateEntry;
using dorvex::StateStore;
using dorvex::SyncState;
using dorvex::Text;
using dorvex::test::ReadFileBytes;
using dorvex::test::ScopedEnvironment;
using dorvex::test::TestDirectory;

Text PathOf(const std::filesystem::path& path) {
    return path.u16string();
}

SyncState Filled() {
    SyncState state(u"Article");
    state.Apply({{"2", 20}, {"10", 100}, {"1", 10}}, {});
    return state;
}

TEST(SyncStateTest, WhatIsSavedLoadsAgainAndLaterAcknowledgementsWin) {
    TestDirectory dir("sync-state");
    SyncState state = Filled();
    // The later of two rows with one key was sent last: its digest stands.
    state.Apply({{"3", 30}, {"2", 21}, {"2", 22}}, {"10"});
    ASSERT_EQ(state.Save(PathOf(dir.Root() / "a.state"), 1234567), 0);

    SyncState loaded(u"Article");
    Text reason;
    ASSERT_EQ(loaded.Load(PathOf(dir.Root() / "a.state"), reason), SyncState::LoadOutcome::Loaded)
        << dorvex::ToUtf8(reason);
    EXPECT_EQ(loaded.SavedAt(), 1234567);
    ASSERT_EQ(loaded.Size(), 3u);
    EXPECT_EQ(loaded.Entries()[0].key, "1");
    EXPECT_EQ(loaded.Entries()[1].digest, 22u);
    EXPECT_EQ(loaded.Entries()[2].key, "3");
    EXPECT_EQ(loaded.IndexOf("10"), std::string::npos);
    EXPECT_EQ(loaded.IndexOf("3"), 2u);
}

TEST(SyncStateTest, MissingAndDamagedStatesAreToldApartAndLeaveNothingLoaded) {
    TestDirectory dir("sync-state");
    const std::string bytes = Filled().Serialize(99);
    Text reason;
    SyncState state(u"Article");
    EXPECT_EQ(state.Load(PathOf(dir.Root() / "none.state"), reason),
              SyncState::LoadOutcome::Missing);

    // Cut short anywhere, one byte changed anywhere, or another table's state: never trusted.
    for (std::size_t length = 0; length < bytes.size(); length += 3) {
        dir.Write("cut.state", bytes.substr(0, length));
        EXPECT_EQ(state.Load(PathOf(dir.Root() / "cut.state"), reason),
                  SyncState::LoadOutcome::Damaged)
            << length;
        EXPECT_EQ(state.Size(), 0u);
    }
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string altered = bytes;
        altered[at] = static_cast<char>(altered[at] ^ 0x20);
        EXPECT_FALSE(state.Parse(altered, reason)) << at;
    }
    SyncState other(u"Department");
    EXPECT_FALSE(other.Parse(bytes, reason));
    EXPECT_NE(dorvex::ToUtf8(reason).find("Article"), std::string::npos);
    EXPECT_TRUE(state.Parse(bytes, reason));
}

TEST(SyncStateTest, AFailedSaveLeavesThePreviousState) {
    TestDirectory dir("sync-state");
    const auto path = dir.Root() / "a.state";
    ASSERT_EQ(Filled().Save(PathOf(path), 5), 0);
    const std::string before = ReadFileBytes(path);
    SyncState bigger = Filled();
    bigger.Apply({{"4", 40}}, {});
    // A directory where the file's temporary would go cannot be written into.
    EXPECT_NE(bigger.Save(PathOf(dir.Root() / "missing-dir" / "a.state"), 6), 0);
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(StateStoreTest, OneSyncPerScaleAtATimeAndTheLockGoesWithItsHolder) {
    TestDirectory dir("sync-lock");
    const Text directory = PathOf(dir.Root() / "states" / "nested");
    Text reason;
    bool busy = false;
    {
        StateStore first(directory, u"IPC 127.0.0.1 1");
        ASSERT_TRUE(first.Lock(reason, busy)) << dorvex::ToUtf8(reason);
        StateStore second(directory, u"IPC 127.0.0.1 1");
        EXPECT_FALSE(second.Lock(reason, busy));
        EXPECT_TRUE(busy);
        EXPECT_NE(dorvex::ToUtf8(reason).find("another sync is running"), std::string::npos);
        // Another scale has a lock of its own.
        StateStore other(directory, u"IPC 127.0.0.2 1");
        EXPECT_TRUE(other.Lock(reason, busy));
    }
    StateStore again(directory, u"IPC 127.0.0.1 1");
    EXPECT_TRUE(again.Lock(reason, busy));

    // Identities that clean up alike still get files of their own.
    EXPECT_NE(StateStore::FileNameOf(u"IPC a:b 1"), StateStore::FileNameOf(u"IPC a_b 1"));

    FileLock lock;
    EXPECT_EQ(lock.TryLock(PathOf(dir.Root() / "no-dir" / "x.lock"), reason),
              FileLock::Outcome::Failed);
    EXPECT_FALSE(reason.empty());
}

#ifndef _WIN32
TEST(StateStoreTest, TheDefaultDirectoryFollowsTheBaseDirectoryConvention) {
    ScopedEnvironment home("HOME", "/home/shop");
    {
        ScopedEnvironment state("XDG_STATE_HOME", "/var/state");
        EXPECT_EQ(StateStore::DefaultDirectory(), u"/var/state/dorvex");
    }
    // A relative value does not count.
    for (const char* state : {"state", static_cast<const char*>(nullptr)}) {
        ScopedEnvironment relative("XDG_STATE_HOME", state);
        EXPECT_EQ(StateStore::DefaultDirectory(), u"/home/shop/.local/state/dorvex");
    }
}
#endif

}  // namespace
