#include "platform/linux/desktop/DesktopSoftwareCentre.h"

#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Command = DesktopSoftwareCentre::Command;

TEST(DesktopSoftwareCentreTest, StartsTheInstalledOneOrTheDesktopsOwn) {
    const QStringList gnome{"--search=apertium"}, discover{"--search", "apertium"};
    // clang-format off
    const struct { QStringList installed; const char* desktop; QString started;
        QStringList arguments; QString name; } cases[] = {
        {{"gnome-software"}, "KDE", "gnome-software", gnome, "GNOME Software"},
        {{"plasma-discover"}, "ubuntu:GNOME", "plasma-discover", discover, "Discover"},
        {{"gnome-software", "plasma-discover"}, "KDE", "plasma-discover", discover, "Discover"},
        {{"gnome-software", "plasma-discover"}, "ubuntu:GNOME", "gnome-software", gnome,
         "GNOME Software"},
        {{}, "GNOME", {}, {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed.join(u',').toStdString() + " on " + c.desktop);
        QTemporaryDir folder;
        for (const QString& name : c.installed) {
            QFile script(folder.filePath(name));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n");
            script.close();
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        ScopedEnvironment environment;
        environment.set("PATH", folder.path().toLocal8Bit());
        DesktopSoftwareCentre centre(QString::fromLatin1(c.desktop));
        const bool found = !c.started.isEmpty();
        EXPECT_EQ(centre.command(SoftwareCentre::languagePacks),
                  found ? std::optional(Command{folder.filePath(c.started), c.arguments, c.name})
                        : std::nullopt);
        EXPECT_EQ(centre.available(), found);
        EXPECT_EQ(centre.name(), c.name);
        EXPECT_EQ(centre.openSearch(SoftwareCentre::languagePacks), found);
    }
}

} // namespace
