#include "platform/linux/x11/ClipboardChangeWatcher.h"

#include "platform/linux/x11/ClipboardOwner.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gtest/gtest.h>

namespace {

class ClipboardChangeWatcherTest : public ClipboardOnXvfb {
protected:
    static ClipboardSnapshot textSnapshot() {
        ClipboardSnapshot snapshot;
        snapshot.offered = {"TARGETS", "UTF8_STRING"};
        snapshot.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "mine"}};
        return snapshot;
    }
};

// Both kinds of our own restore notify through XFixes; neither is someone else's copy.
TEST_F(ClipboardChangeWatcherTest, IgnoresOurOwnRestores) {
    ClipboardOwner owner(display());
    ClipboardChangeWatcher watcher(display(), &owner);
    ASSERT_TRUE(owner.restore(textSnapshot()));
    ASSERT_TRUE(owner.restore(ClipboardSnapshot{}));
    ASSERT_TRUE(owner.restore(textSnapshot()));
    // A later change by someone else arrives after ours, so once it is counted ours have been
    // seen (and skipped) already.
    xclipIn("theirs");
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() >= 1; }));
    EXPECT_EQ(watcher.changeCount(), 1u);
}

TEST_F(ClipboardChangeWatcherTest, CountsCopiesAndResetForgetsThemEvenIfNotYetRead) {
    ClipboardChangeWatcher watcher(display());
    ASSERT_TRUE(watcher.isValid());
    EXPECT_EQ(watcher.changeCount(), 0u);
    xclipIn("copied");
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 1; }));
    xclipIn("before");
    ASSERT_TRUE(watcher.reset());
    EXPECT_EQ(watcher.changeCount(), 0u);
    xclipIn("after");
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 1; }));
}

// An owner whose client closes leaves the clipboard empty: that is a change too.
TEST_F(ClipboardChangeWatcherTest, CountsAnOwnerThatGoesAway) {
    auto scripted = std::make_unique<ScriptedClipboardOwner>(
        display(), QStringList{"TARGETS", "UTF8_STRING"},
        QList<ScriptedClipboardOwner::Target>{{"UTF8_STRING", "UTF8_STRING", 8, "x"}});
    ClipboardChangeWatcher watcher(display());
    scripted.reset();
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 1; }));
}

TEST_F(ClipboardChangeWatcherTest, WithoutDisplayItIsInvalidAndCountsNothing) {
    ClipboardChangeWatcher watcher(":9999");
    EXPECT_FALSE(watcher.isValid());
    EXPECT_FALSE(watcher.reset());
    EXPECT_EQ(watcher.changeCount(), 0u);
}

} // namespace

VERDOLIN_QT_TEST_MAIN
