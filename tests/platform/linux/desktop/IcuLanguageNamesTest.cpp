#include "platform/linux/desktop/IcuLanguageNames.h"

#include "app/languages/LanguageService.h"
#include "tests/app/translation/ScriptedEngine.h"
#include "tests/support/QtPrinters.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

TEST(IcuNames, NamesLanguagesInTheInterfaceLanguage) {
    const struct {
        const char* code;
        QLocale::Language interface;
        std::optional<QString> expected;
    } cases[] = {{"ca", QLocale::Russian, QString::fromUtf8("каталанский")},
                 {"ast", QLocale::English, QStringLiteral("Asturian")},
                 {"nb", QLocale::German, QString::fromUtf8("Norwegisch (Bokmål)")},
                 {"qqq", QLocale::Russian, std::nullopt},
                 {"", QLocale::Russian, std::nullopt},
                 {"not a code", QLocale::English, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(IcuLanguageNames().languageName(QString::fromUtf8(c.code), QLocale(c.interface)),
                  c.expected)
            << c.code;
}

// In a Russian interface the options carry Russian names, capitalised and in Russian order
// (Cyrillic before Latin).
TEST(IcuNamesInTheLanguageService, RussianInterface) {
    ScriptedEngine engine;
    for (const char* code : {"en", "es", "ca", "ru", "qqq"})
        engine.languages.append(engineLanguage(code, code, code));
    LanguageService::Setup setup;
    setup.names = std::make_shared<IcuLanguageNames>();
    setup.interfaceLocale = QLocale(QLocale::Russian);
    LanguageService service(engine, setup);

    QFuture<void> loaded = service.load();
    while (!loaded.isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    QStringList names;
    for (const LangOption& option : service.options())
        names.append(option.name);
    EXPECT_EQ(names, QStringList({"Английский", "Испанский", "Каталанский", "Русский", "Qqq"}));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
