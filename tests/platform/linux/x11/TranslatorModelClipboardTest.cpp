#include "app/translation/TranslatorModel.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/ManualClock.h"
#include "tests/support/XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The copied translation reaches the X CLIPBOARD, where any other program reads it.

namespace {

QString readClipboard(const XvfbServer& server) {
    QProcess xclip;
    xclip.setProcessEnvironment(server.environment());
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    // Answered by this process's event loop, which must run meanwhile.
    QDeadlineTimer limit(10000);
    while (xclip.state() != QProcess::NotRunning && !limit.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        xclip.waitForFinished(5);
    }
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

XvfbServer* server = nullptr;

TEST(TranslatorModelClipboard, TheCopiedResultIsOnTheClipboardForOtherPrograms) {
    ASSERT_TRUE(server && server->isReady());
    ScriptedEngine engine;
    engine.languages = {engineLanguage("en-US", "en", "en-Latn-US"),
                        engineLanguage("de", "de", "de-Latn-DE")};
    engine.setStatus("de", "en-US", PairStatus::installed);
    engine.session->answer = upperCased;
    QTemporaryDir dir;
    DefaultsStore store(QStringLiteral("com.korvane.verdolin"), dir.path());
    AppSettings settings(store, {QStringLiteral("en-US")}, {});
    settings.setMyLanguage(QStringLiteral("en"));
    settings.setSecondLanguage(QStringLiteral("es"));
    LanguageService languages(engine, LanguageService::Setup{});

    TranslatorModel::Services services;
    services.settings = &settings;
    services.languages = &languages;
    services.engine = &engine;
    services.recognizers = recognizing({{"de", 0.9}});
    services.clock = std::make_shared<ManualClock>();
    TranslatorModel model(services);
    model.setText(QStringLiteral("Grüße aus Köln"));
    pumpUntil([&model] { return model.phase().kind == TranslationPhase::Kind::done; });
    ASSERT_EQ(model.result(), QStringLiteral("GRÜSSE AUS KÖLN"));

    model.copyResult();
    EXPECT_EQ(readClipboard(*server), QStringLiteral("GRÜSSE AUS KÖLN"));
}

} // namespace

int main(int argc, char** argv) {
    XvfbServer xvfb;
    server = &xvfb;
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("DISPLAY", xvfb.displayName().toLatin1());
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
