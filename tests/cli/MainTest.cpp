// The verdolin executable as a script meets it: a separate process with its own environment.

#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

class MainTest : public testing::Test {
protected:
    MainTest() {
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            environment.insert(QString::fromLatin1(variable), home.filePath(variable));
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    }

    Outcome run(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(VERDOLIN_EXECUTABLE), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    void writeScript(const QString& path, const QByteArray& body) {
        QFile script(path);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }

    // A pair English → Catalan whose middle stage counts its starts and dies.
    QString installDyingPair() {
        const QString starts = home.filePath(QStringLiteral("starts"));
        const QString pass = home.filePath(QStringLiteral("pass"));
        const QString dying = home.filePath(QStringLiteral("dying"));
        writeScript(pass, "exec cat\n");
        writeScript(dying, "echo started >> '" + QFile::encodeName(starts) + "'\nexit 3\n");
        const QString folder = home.filePath(QStringLiteral("XDG_DATA_HOME/apertium/modes"));
        EXPECT_TRUE(QDir().mkpath(folder));
        QFile mode(folder + QStringLiteral("/eng-cat.mode"));
        EXPECT_TRUE(mode.open(QIODevice::WriteOnly));
        const QByteArray passName = QFile::encodeName(pass);
        mode.write(passName + " | " + QFile::encodeName(dying) + " | " + passName + "\n");
        return starts;
    }

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

TEST_F(MainTest, TranslatesWhateverLocaleTheUserHas) {
    if (!QFile::exists(QStringLiteral("/usr/share/apertium/modes/eng-spa.mode")))
        GTEST_SKIP() << "Apertium eng-spa is not installed";
    // Never generated on this machine, as in many containers and SSH sessions.
    environment.insert(QStringLiteral("LANG"), QStringLiteral("xx_XX.UTF-8"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("xx_XX.UTF-8"));

    const Outcome r = run({"translate", "--from", "en", "--to", "es", "Good morning."});

    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Buenos días.\n"));
}

TEST_F(MainTest, AStageThatDiesIsRetriedOnceAndReportedOnce) {
    const QString starts = installDyingPair();

    const Outcome r = run({"translate", "--from", "en", "--to", "ca", "Hello there"});

    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err.count(QStringLiteral("Could not translate")), 1) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral("eng-cat")), 1) << r.err.toStdString();
    QFile counted(starts);
    ASSERT_TRUE(counted.open(QIODevice::ReadOnly));
    EXPECT_EQ(counted.readAll().count("started"), 2) << "one start and one restart";
}

} // namespace
