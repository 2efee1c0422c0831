#include "platform/linux/desktop/DesktopSoftwareCentre.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

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
        const QDeadlineTimer deadline(10'000);
        while (!record.exists() && !deadline.hasExpired())
            QThread::msleep(10);
        ASSERT_TRUE(record.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(record.readAll()).split(u'\n', Qt::SkipEmptyParts),
                  c.arguments);
    }
}

} // namespace
