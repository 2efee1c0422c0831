// The verdolin executable as a script meets it: its own process and environment, the real
// services and the real Apertium pair behind them.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(MainTest, TranslatesWhateverLocaleTheUserHas) {
    if (!QFile::exists(QStringLiteral("/usr/share/apertium/modes/eng-spa.mode")))
        GTEST_SKIP() << "Apertium eng-spa is not installed";
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(variable), home.filePath(variable));
    // Never generated on this machine, as in many containers and SSH sessions.
    environment.insert(QStringLiteral("LANG"), QStringLiteral("xx_XX.UTF-8"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("xx_XX.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(VERDOLIN_EXECUTABLE),
                  {"translate", "--from", "en", "--to", "es", "Good morning."});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray("Buenos días.\n"));
}

} // namespace
