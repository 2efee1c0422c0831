#include "tests/ui/ScreenFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRegularExpression>

Q_IMPORT_QML_PLUGIN(Verdolin_AppearancePlugin)
Q_IMPORT_QML_PLUGIN(Verdolin_ShellPlugin)
Q_IMPORT_QML_PLUGIN(Verdolin_UiPlugin)

namespace {

using TranslatorScreenTest = ScreenFixture;

// The setting decides, then the desktop's preference, then its palette; the open window's
// items take the other colours without being made again.
TEST_F(TranslatorScreenTest, TheThemeTurnsTheOpenWindow) {
    ASSERT_NE(window, nullptr);
    QQuickItem* sourceArea = item("source");
    ASSERT_NE(sourceArea, nullptr);
    using P = ColorSchemeSource::Preference;
    const struct {
        const char* mode;
        P desktop;
        bool dark;
    } rows[] = {
        {"system", P::unknown, false}, {"dark", P::light, true},   {"light", P::dark, false},
        {"system", P::dark, true},     {"system", P::none, false}, {"system", P::light, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.mode) + " " + std::to_string(int(row.desktop)));
        settings.setAppearanceMode(row.mode);
        scheme.set(row.desktop);
        EXPECT_EQ(Theme::shared().dark(), row.dark);
        EXPECT_EQ(sourceArea->property("color").value<QColor>(), Tok::label(row.dark).primary);
        EXPECT_EQ(QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5, row.dark);
    }
    EXPECT_EQ(item("source"), sourceArea) << "the same item, repainted";

    // Without a preference, a dark desktop palette means dark.
    Theme night(settings, nullptr, QPalette(QColor(30, 30, 30)));
    EXPECT_TRUE(night.dark());
}

TEST_F(TranslatorScreenTest, PanesFollowTheModelButNeverOverAComposition) {
    ASSERT_NE(window, nullptr);
    QQuickItem* sourceArea = item("source");
    QQuickItem* resultArea = item("result");
    ASSERT_TRUE(sourceArea && resultArea);
    EXPECT_FALSE(item("speak")->isVisible());
    EXPECT_FALSE(item("copy")->isVisible());

    answers.insert("hola <b>", "hello <b>");
    translate("hola <b>");
    EXPECT_EQ(sourceArea->property("text").toString(), "hola <b>");
    EXPECT_TRUE(item("speak")->isVisible());
    EXPECT_TRUE(item("copy")->isVisible());
    // Markup in a result is shown as text, not read.
    QString shown;
    QMetaObject::invokeMethod(resultArea, "getText", Q_RETURN_ARG(QString, shown), Q_ARG(int, 0),
                              Q_ARG(int, 100));
    EXPECT_EQ(shown, "hello <b>");

    // The source pane asks again for the focus each time the token rises.
    resultArea->forceActiveFocus();
    model().requestFocus();
    EXPECT_TRUE(sourceArea->hasActiveFocus());

    // A composition in progress keeps its text while the input changes elsewhere.
    model().clear();
    QInputMethodEvent compose(QStringLiteral("ni"), {});
    QCoreApplication::sendEvent(sourceArea, &compose);
    ASSERT_EQ(sourceArea->property("preeditText").toString(), "ni");
    model().setInput("outside");
    EXPECT_EQ(sourceArea->property("preeditText").toString(), "ni");
    EXPECT_EQ(sourceArea->property("text").toString(), "");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("你"));
    QCoreApplication::sendEvent(sourceArea, &commit);
    EXPECT_EQ(model().input(), "你");

    // Styled text is pasted as its plain text.
    auto* mime = new QMimeData;
    mime->setHtml("<b>bold</b> move");
    mime->setText("bold move");
    QGuiApplication::clipboard()->setMimeData(mime);
    model().clear();
    QMetaObject::invokeMethod(sourceArea, "paste");
    EXPECT_EQ(model().input(), "bold move");
}

// Not a check: renders the screen in its states for people to look at (make screenshots).
TEST_F(TranslatorScreenTest, Screenshots) {
    const QByteArray folder = qgetenv("VERDOLIN_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VERDOLIN_SCREENSHOTS to a folder to render the screenshots";
    ASSERT_NE(window, nullptr);
    QDir().mkpath(QString::fromLocal8Bit(folder));
    const auto shoot = [&](const QString& name) {
        pumpAll();
        for (const char* mode : {"light", "dark"}) {
            settings.setAppearanceMode(mode);
            pumpAll();
            window->grabWindow().save(QString::fromLocal8Bit(folder) + "/" + name + "-" + mode
                                      + ".png");
        }
    };
    model().clear();
    shoot("empty");
    answers.insert("El tren sale a las ocho.", "The train leaves at eight.");
    answers.insert("Llegamos a Madrid por la tarde.", "We arrive in Madrid in the afternoon.");
    answers.insert("Hasta luego.", "See you later.");
    translate("El tren sale a las ocho.\nLlegamos a Madrid por la tarde.\n\nHasta luego.");
    shoot("multi-line");
    translate("casa");
    shoot("word-with-definitions");
    const QString scripts = QStringLiteral(
        "Latin: Ça va très bien\nCyrillic: Привет, как дела?\nGreek: Καλημέρα κόσμε\n"
        "Arabic: مرحبا بالعالم\nDevanagari: नमस्ते दुनिया\nThai: สวัสดีชาวโลก\n"
        "CJK: 你好世界 こんにちは 안녕하세요");
    translate(scripts);
    shoot("scripts");

    engine.session->answer = [](const QList<TranslationRequest>&) {
        return TranslationBatchResult::failure("the translator stopped working");
    };
    translate("Se cayó.");
    shoot("status-failed");
    for (const auto& [status, text, name] :
         {std::tuple{PairStatus::unsupported, "Otra vez.", "status-unsupported"},
          {PairStatus::supported, "Una vez más.", "status-download"}}) {
        engine.setStatus("es", "en-US", status);
        shown.invalidate();
        translate(text);
        shoot(name);
    }
    model().clear();
    model().setNotice(Notice::clipboardBusy);
    shoot("status-clipboard-busy");
    model().setNotice(Notice::nothingSelected);
    shoot("status-nothing-selected");
    engine.setStatus("es", "en-US", PairStatus::installed);
    shown.invalidate();
    engine.session->answer = upperCased;
    translate(QString(20500, QLatin1Char('a')).replace(QRegularExpression("(a{9})a"), "\\1 "));
    shoot("status-truncated");

    model().clear();
    settings.setShowSupportNudge(true);
    shoot("hint-support");
    PermissionWatcher watcher(std::make_shared<MissingAccessibility>(), store);
    AppModel::shared().setPermissions(&watcher);
    shoot("hint-permission");
    AppModel::shared().setPermissions(nullptr);
    settings.setShowSupportNudge(false);

    QMetaObject::invokeMethod(item("history"), "clicked");
    QObject* popover = window->findChild<QObject*>("historyPopover");
    ASSERT_NE(popover, nullptr);
    shoot("history-empty");
    QMetaObject::invokeMethod(popover, "close");
    HistoryModel& history = *AppModel::shared().history();
    for (const auto& [from, to] :
         {std::pair{"Buenos días", "Good morning"},
          {"casa", "house"},
          {"¿Dónde está la estación de tren más cercana?", "Where is the nearest train station?"}})
        history.store().add(
            {QUuid::createUuid(), QDateTime::currentDateTimeUtc(), from, to, "es", "en"});
    history.refresh();
    QMetaObject::invokeMethod(popover, "open");
    shoot("history");
    QMetaObject::invokeMethod(popover, "close");
}

} // namespace
