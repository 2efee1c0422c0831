#include "platform/linux/speech/SpeechVoiceChoice.h"

namespace SpeechVoiceChoice {

std::optional<qsizetype> choose(const QList<Voice>& voices, const QString& languageCode) {
    const QLocale wanted(languageCode);
    // An unknown code becomes the C locale, which must not match voices of no language.
    if (wanted.language() == QLocale::C || wanted.language() == QLocale::AnyLanguage)
        return std::nullopt;
    enum Rank { ExactLocale, SameTerritory, SameLanguage, NoMatch };
    std::optional<qsizetype> best;
    Rank bestRank = NoMatch;
    for (qsizetype i = 0; i < voices.size() && bestRank != ExactLocale; ++i) {
        const Voice& voice = voices.at(i);
        if (voice.name.contains(QLatin1Char('+')) || voice.locale.language() != wanted.language())
            continue;
        Rank rank = SameLanguage;
        if (voice.locale.territory() == wanted.territory())
            rank = voice.locale.script() == wanted.script() ? ExactLocale : SameTerritory;
        if (rank < bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    return best;
}

} // namespace SpeechVoiceChoice
