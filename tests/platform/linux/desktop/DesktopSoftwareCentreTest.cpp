#include "platform/linux/desktop/DesktopSoftwareCentre.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Whether `path` appears in `folder` within ten seconds; woken by the folder's changes.
bool appears(const QString& folder, const QString& path) {
    const QFileSystemWatcher watcher({folder});
    QEventLoop loop;
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
        if (QFile::exists(path))
            loop.quit();
    });
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    if (!QFile::exists(path))
        loop.exec();
    return QFile::exists(path);
}

TEST(DesktopSoftwareCentreTest, StartsTheInstalledOneOrTheDesktopsOwn) {
    // clang-format off
    const struct { QStringList installed; const char* desktop; QString started; QStringList arguments; } cases[] = {
        {{"gnome-software"}, "KDE", "gnome-software", {"--search=apertium"}},
        {{"plasma-discover"}, "ubuntu:GNOME", "plasma-discover", {"--search", "apertium"}},
        {{"gnome-software", "plasma-discover"}, "KDE", "plasma-discover", {"--search", "apertium"}},
        {{"gnome-software", "plasma-discover"}, "ubuntu:GNOME", "gnome-software", {"--search=apertium"}},
        {{}, "GNOME", {}, {}},
    };
    // clang-format on
    int argc = 1;
    char name[] = "DesktopSoftwareCentreTest";
    char* argv[] = {name, nullptr};
    const QCoreApplication application(argc, argv); // for the folder watcher's events
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed.join(u',').toStdString() + " on " + c.desktop);
        QTemporaryDir folder;
        for (const QString& name : c.installed) {
            // Records its arguments next to itself, one a line, the file whole once there.
            QFile script(folder.filePath(name));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >\"$0.part\"; /bin/mv \"$0.part\" "
                         "\"$0.args\"\n");
            script.close();
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        ScopedEnvironment environment;
        environment.set("PATH", folder.path().toLocal8Bit());

        DesktopSoftwareCentre centre(QString::fromLatin1(c.desktop));
        EXPECT_EQ(centre.available(), !c.started.isEmpty());
        EXPECT_EQ(centre.openSearch(SoftwareCentre::languagePacks), !c.started.isEmpty());
        if (c.started.isEmpty())
            continue;
        QFile record(folder.filePath(c.started + ".args"));
        ASSERT_TRUE(appears(folder.path(), record.fileName()));
        ASSERT_TRUE(record.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(record.readAll()).split(u'\n', Qt::SkipEmptyParts),
                  c.arguments);
    }
}

} // namespace
