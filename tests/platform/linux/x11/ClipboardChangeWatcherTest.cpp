#include "platform/linux/x11/ClipboardChangeWatcher.h"

#include "platform/linux/x11/ClipboardOwner.h"
#include "tests/platform/linux/x11/ClipboardTestSupport.h"
#include "tests/platform/linux/x11/ScriptedClipboardOwner.h"

#include <gtest/gtest.h>

namespace {

class ClipboardChangeWatcherTest : public ClipboardOnXvfb {};

TEST_F(ClipboardChangeWatcherTest, CountsChangesByOthersButNotOurRestores) {
    ClipboardSnapshot text;
    text.offered = {"TARGETS", "UTF8_STRING"};
    text.targets = {{"UTF8_STRING", "UTF8_STRING", 8, "mine"}};
    ClipboardOwner owner(display());
    ClipboardChangeWatcher watcher(display(), &owner);
    ASSERT_TRUE(watcher.isValid());
    // Both kinds of our own restore notify through XFixes; neither is someone else's copy.
    ASSERT_TRUE(owner.restore(text));
    ASSERT_TRUE(owner.restore(ClipboardSnapshot{}));
    ASSERT_TRUE(owner.restore(text));
    // A later change by someone else arrives after ours, so once it is counted ours have been
    // seen (and skipped) already.
    xclipIn("theirs");
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() >= 1; }));
    EXPECT_EQ(watcher.changeCount(), 1u);
    // A reset forgets a copy even if it has not been read yet.
    xclipIn("before");
    ASSERT_TRUE(watcher.reset());
    EXPECT_EQ(watcher.changeCount(), 0u);
    // An owner whose client closes leaves the clipboard empty: that is a change too.
    auto scripted = std::make_unique<ScriptedClipboardOwner>(
        display(), QStringList{"TARGETS", "UTF8_STRING"},
        QList<ScriptedClipboardOwner::Target>{{"UTF8_STRING", "UTF8_STRING", 8, "x"}});
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 1; }));
    scripted.reset();
    EXPECT_TRUE(eventually([&] { return watcher.changeCount() == 2; }));
}

TEST_F(ClipboardChangeWatcherTest, WithoutDisplayItIsInvalidAndCountsNothing) {
    ClipboardChangeWatcher watcher(":9999");
    EXPECT_FALSE(watcher.isValid());
    EXPECT_FALSE(watcher.reset());
    EXPECT_EQ(watcher.changeCount(), 0u);
}

} // namespace

VERDOLIN_QT_TEST_MAIN
