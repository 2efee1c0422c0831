#pragma once

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// Which installed voice reads a language.
namespace SpeechVoiceChoice {

struct Voice {
    QString name;
    QLocale locale;

    friend bool operator==(const Voice&, const Voice&) = default;
};

// The index of the voice for `languageCode` among `voices` (in the system's order): a voice of
// the code's own locale (pt: Portuguese in Brazil) first, then one of the same territory, then
// the first of the language. Variant voices ("name+variant") are never chosen. Nothing when no
// voice speaks the language.
std::optional<qsizetype> choose(const QList<Voice>& voices, const QString& languageCode);

} // namespace SpeechVoiceChoice
