#include "platform/linux/speech/SpeechVoiceChoice.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using SpeechVoiceChoice::Voice;

Voice voice(const char* name, const char* locale) {
    return {QString::fromUtf8(name), QLocale(QString::fromLatin1(locale))};
}

// QLocale("pt") is Portuguese in Brazil, QLocale("sr") Serbian in Cyrillic in Serbia.
TEST(SpeechVoiceChoiceTest, ChoosesTheVoice) {
    const struct {
        const char* rule;
        QList<Voice> voices;
        QString code;
        std::optional<qsizetype> expected;
    } cases[] = {
        // clang-format off
        {"Portugal matches Portuguese", {voice("German", "de_DE"), voice("Portugal", "pt_PT")}, "pt", 1},
        {"the exact locale beats an earlier voice of the language", {voice("Portugal", "pt_PT"), voice("Brazil", "pt_BR")}, "pt", 1},
        {"the first of the language without an exact one", {voice("Angola", "pt_AO"), voice("Portugal", "pt_PT")}, "pt", 0},
        {"an unknown language tag never matches", {voice("Other", "ptx")}, "pt", std::nullopt},
        {"the same territory beats another territory", {voice("Bosnia", "sr_Latn_BA"), voice("Latin", "sr_Latn_RS"), voice("Cyrillic", "sr_Cyrl_RS")}, "sr", 2},
        {"the same territory when the script differs", {voice("Bosnia", "sr_Cyrl_BA"), voice("Latin", "sr_Latn_RS")}, "sr", 1},
        {"variant voices are skipped", {voice("Portuguese (Brazil)+Annie", "pt_BR"), voice("Portugal", "pt_PT")}, "pt", 1},
        {"only variants means no voice", {voice("Portuguese (Brazil)+Annie", "pt_BR")}, "pt", std::nullopt},
        {"no voice for the language", {voice("Russian", "ru_RU")}, "gl", std::nullopt},
        {"a code of no language matches nothing", {voice("Klingon", "C")}, "xx", std::nullopt},
        {"a code with a region prefers that region", {voice("Brazil", "pt_BR"), voice("Portugal", "pt_PT")}, "pt-PT", 1},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeechVoiceChoice::choose(c.voices, c.code), c.expected) << c.rule;
}

} // namespace
