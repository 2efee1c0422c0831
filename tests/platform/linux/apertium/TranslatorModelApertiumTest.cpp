#include "app/translation/TranslatorModel.h"
#include "platform/linux/apertium/ApertiumEngine.h"
#include "platform/linux/common/BootTimeClock.h"
#include "platform/linux/detection/Cld2Recognizer.h"
#include "platform/linux/dictionaries/FileDictionarySource.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The window's pipeline on the installed Apertium pairs, CLD2 and the dictionaries the
// dependencies bring (apertium-eng-spa, dict-freedict-spa-eng).

namespace {

using testing::HasSubstr;

class TranslatorModelApertiumTest : public testing::Test {
protected:
    TranslatorModelApertiumTest() {
        settings.setMyLanguage(QStringLiteral("en"));
        settings.setSecondLanguage(QStringLiteral("es"));
        TranslatorModel::Services services;
        services.settings = &settings;
        services.languages = &languages;
        services.engine = &engine;
        services.recognizers = cld2RecognizerFactory();
        services.dictionaries = &dictionaries;
        services.clock = std::make_shared<BootTimeClock>();
        model = std::make_unique<TranslatorModel>(std::move(services));
    }

    void translate(const QString& text) {
        model->setText(text);
        // The limit only guards against a hang; the wake-up lets it be looked at.
        QDeadlineTimer limit(60000);
        QTimer wake;
        wake.start(10);
        while (model->phase().kind == TranslationPhase::Kind::working && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ASSERT_EQ(model->phase().kind, TranslationPhase::Kind::done)
            << model->phase().message.toStdString() << model->phase().source.toStdString()
            << model->phase().target.toStdString();
    }

    QTemporaryDir dir;
    DefaultsStore store{QStringLiteral("com.korvane.verdolin"), dir.path()};
    AppSettings settings{store, {QStringLiteral("en-US")}, {}};
    ApertiumEngine engine{ApertiumEngine::Options{}};
    LanguageService languages{engine, LanguageService::Setup{}};
    DictionaryService dictionaries{std::make_shared<FileDictionarySource>()};
    std::unique_ptr<TranslatorModel> model;
};

TEST_F(TranslatorModelApertiumTest, AMultiLineTextKeepsItsLayout) {
    translate(QStringLiteral("  Buenos días.\n\n    La casa es grande.\n\t¿Dónde está el gato?\n"));
    EXPECT_EQ(model->sourceCode(), QStringLiteral("es"));
    EXPECT_EQ(model->targetCode(), QStringLiteral("en"));
    const QStringList lines = model->result().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << model->result().toStdString();
    // The text is trimmed as a whole; inner blank lines and indentation stay.
    EXPECT_THAT(lines[0].toStdString(), HasSubstr("Good"));
    EXPECT_EQ(lines[1], QString());
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("    "))) << lines[2].toStdString();
    EXPECT_THAT(lines[2].toStdString(), HasSubstr("house"));
    EXPECT_TRUE(lines[3].startsWith(QLatin1Char('\t'))) << lines[3].toStdString();
    EXPECT_THAT(lines[3].toStdString(), HasSubstr("cat"));
    EXPECT_THAT(model->entries(), testing::IsEmpty());
}

TEST_F(TranslatorModelApertiumTest, ASingleWordGetsItsDefinitions) {
    settings.setShowDefinitions(true);
    model->setFromChoice(LangChoice::fixed(QStringLiteral("es")));
    translate(QStringLiteral("«casa»"));
    EXPECT_EQ(model->result().toLower(), QStringLiteral("house"));
    ASSERT_FALSE(model->entries().isEmpty());
    EXPECT_THAT(model->entries().first().text.toStdString(), HasSubstr("house"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
