#pragma once

#include "app/appearance/Theme.h"
#include "app/appearance/Tok.h"
#include "tests/app/dictionary/FakeDictionarySource.h"
#include "tests/app/shell/ShellFixture.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

class ScriptedColorScheme : public ColorSchemeSource {
public:
    Preference preference() const override { return value; }
    void set(Preference preference) {
        value = preference;
        emit preferenceChanged();
    }
    Preference value = Preference::unknown;
};

// English names, as Qt knows them.
class EnglishNames : public LanguageNames {
public:
    std::optional<QString> languageName(const QString& code, const QLocale&) const override {
        return QLocale::languageToString(QLocale(code).language());
    }
};

inline LanguageService::Setup named() {
    LanguageService::Setup setup = preferringEnUS();
    setup.names = std::make_shared<EnglishNames>();
    return setup;
}

class MissingAccessibility : public PermissionProbe {
public:
    bool accessibility() override { return false; }
    bool inputMonitoring() override { return false; }
};

// The translator window as the application builds it, over scripted models: an engine that
// knows a few sentences, two dictionaries for "casa", and a theme the test turns.
class ScreenFixture : public ShellFixture {
protected:
    ScreenFixture() {
        engine.languages = {enUS, es, de};
        engine.setStatus("es", "en-US", PairStatus::installed);
        engine.session->answer = [this](const QList<TranslationRequest>& requests) {
            TranslationBatchResult result;
            for (const auto& [text, id] : requests)
                result.responses.append({id, answers.value(text, text)});
            return result;
        };
        source->add("fd-spa-eng", "Spanish-English", {{"casa", "house; home; household"}});
        source->add("wn", "WordNet", {{"casa", "n 1: a dwelling that serves as living quarters"}});
        source->active = {"fd-spa-eng", "wn"};
        shown.load();
        pumpAll();

        AppModel::installShared(std::make_unique<AppModel>(
            settings, shown, std::make_unique<HistoryModel>(std::nullopt),
            TranslatorModel::Services{&settings, &shown, &engine, recognizing({{"es", 0.9}}),
                                      &dictionaries, &speech, clock}));
        Theme::installShared(std::make_unique<Theme>(settings, &scheme, QPalette(Qt::white)));
        // Once per process, before the first QML; drawn as the application draws.
        [[maybe_unused]] static const bool registered = [] {
            AppModel::registerQmlTypes();
            QQuickStyle::setStyle("Fusion");
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
            return true;
        }();
        qml.addImportPath("qrc:/");
        qml.load(QUrl("qrc:/Verdolin/Ui/TranslatorWindow.qml"));
        window = qobject_cast<QQuickWindow*>(qml.rootObjects().value(0));
        if (window) {
            window->resize(440, 560);
            window->show();
            window->requestActivate();
        }
    }

    ~ScreenFixture() override {
        qml.clearComponentCache();
        for (QObject* root : qml.rootObjects())
            delete root;
        pumpAll();
        AppModel::installShared(nullptr);
        Theme::installShared(nullptr);
    }

    TranslatorModel& model() { return *AppModel::shared().model(); }
    template <typename T = QQuickItem>
    T* item(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void translate(const QString& text) {
        model().setText(text);
        ASSERT_TRUE(
            waitUntil([this] { return model().phase().kind != TranslationPhase::Kind::working; }));
        pumpAll();
    }

    QHash<QString, QString> answers;
    LanguageService shown{engine, named()};
    std::shared_ptr<FakeDictionarySource> source = std::make_shared<FakeDictionarySource>();
    DictionaryService dictionaries{source};
    ScriptedColorScheme scheme;
    QQmlApplicationEngine qml;
    QQuickWindow* window = nullptr;
};
