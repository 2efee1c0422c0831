#include "platform/linux/speech/SpeechVoiceChoice.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using SpeechVoiceChoice::Voice;

struct Case {
    const char* name;
    QList<Voice> voices;
    QString code;
    std::optional<qsizetype> expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

Voice voice(const char* name, const char* locale) {
    return {QString::fromUtf8(name), QLocale(QString::fromLatin1(locale))};
}

class SpeechVoiceChoiceTest : public testing::TestWithParam<Case> {};

TEST_P(SpeechVoiceChoiceTest, ChoosesTheVoice) {
    const Case& c = GetParam();
    EXPECT_EQ(SpeechVoiceChoice::choose(c.voices, c.code), c.expected);
}

// QLocale("pt") is Portuguese in Brazil, QLocale("sr") Serbian in Cyrillic in Serbia.
INSTANTIATE_TEST_SUITE_P(
    Table, SpeechVoiceChoiceTest,
    testing::Values(
        Case{"PortugalMatchesPortuguese",
             {voice("German", "de_DE"), voice("Portugal", "pt_PT")},
             "pt",
             1},
        Case{"ExactLocaleBeatsAnEarlierVoiceOfTheLanguage",
             {voice("Portugal", "pt_PT"), voice("Brazil", "pt_BR")},
             "pt",
             1},
        Case{"FirstOfTheLanguageWithoutAnExactOne",
             {voice("Angola", "pt_AO"), voice("Portugal", "pt_PT")},
             "pt",
             0},
        Case{"UnknownLanguageTagNeverMatches", {voice("Other", "ptx")}, "pt", std::nullopt},
        Case{"SameTerritoryBeatsAnotherTerritory",
             {voice("Bosnia", "sr_Latn_BA"), voice("Latin", "sr_Latn_RS"),
              voice("Cyrillic", "sr_Cyrl_RS")},
             "sr",
             2},
        Case{"SameTerritoryWhenTheScriptDiffers",
             {voice("Bosnia", "sr_Cyrl_BA"), voice("Latin", "sr_Latn_RS")},
             "sr",
             1},
        Case{"VariantVoicesAreSkipped",
             {voice("Portuguese (Brazil)+Annie", "pt_BR"), voice("Portugal", "pt_PT")},
             "pt",
             1},
        Case{"OnlyVariantsMeansNoVoice",
             {voice("Portuguese (Brazil)+Annie", "pt_BR")},
             "pt",
             std::nullopt},
        Case{"NoVoiceForTheLanguage", {voice("Russian", "ru_RU")}, "gl", std::nullopt},
        Case{"EmptyList", {}, "en", std::nullopt},
        Case{"CodeOfNoLanguageMatchesNothing", {voice("Klingon", "C")}, "xx", std::nullopt},
        Case{"CodeWithRegionPrefersThatRegion",
             {voice("Brazil", "pt_BR"), voice("Portugal", "pt_PT")},
             "pt-PT",
             1},
        Case{"EqualVoicesFirstWins", {voice("A", "en_US"), voice("B", "en_US")}, "en", 0}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
