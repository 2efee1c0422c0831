#include "core/LanguageDefaults.h"

#include "core/LanguageCode.h"

#include <initializer_list>

namespace {

QString english() {
    return QStringLiteral("en");
}

QString spanish() {
    return QStringLiteral("es");
}

// The usual partner for a lone language: English, or Spanish when the language is English.
QString fallbackPartner(const QString& my) {
    return my == english() ? spanish() : english();
}

} // namespace

namespace LanguageDefaults {

LanguagePrefs prefs(const QStringList& preferred, const QStringList& inputSources,
                    const QSet<QString>& supported) {
    QStringList codes;
    for (const QStringList* list : {&preferred, &inputSources}) {
        for (const QString& candidate : *list) {
            const QString code = LanguageCode::normalize(candidate);
            if (supported.contains(code) && !codes.contains(code))
                codes.append(code);
            if (codes.size() == 2)
                return LanguagePrefs{codes.at(0), codes.at(1)};
        }
    }
    if (codes.size() == 1)
        return LanguagePrefs{codes.first(), fallbackPartner(codes.first())};
    return LanguagePrefs{english(), spanish()};
}

LanguagePrefs repair(const LanguagePrefs& current, const LanguagePrefs& defaults,
                     const QSet<QString>& supported) {
    if (supported.isEmpty())
        return current;

    QString my = current.my;
    for (const QString& candidate : {current.my, defaults.my, english()}) {
        if (supported.contains(candidate)) {
            my = candidate;
            break;
        }
    }

    for (const QString& candidate :
         {current.second, defaults.second, defaults.my, english(), spanish()}) {
        if (candidate != my && supported.contains(candidate))
            return LanguagePrefs{my, candidate};
    }
    return LanguagePrefs{my, fallbackPartner(my)};
}

const QSet<QString>& knownLanguageCodes() {
    static const QSet<QString> codes{
        QStringLiteral("ar"), QStringLiteral("da"), QStringLiteral("de"), QStringLiteral("en"),
        QStringLiteral("es"), QStringLiteral("fr"), QStringLiteral("hi"), QStringLiteral("id"),
        QStringLiteral("it"), QStringLiteral("ja"), QStringLiteral("ko"), QStringLiteral("nb"),
        QStringLiteral("nl"), QStringLiteral("pl"), QStringLiteral("pt"), QStringLiteral("ru"),
        QStringLiteral("sv"), QStringLiteral("th"), QStringLiteral("tr"), QStringLiteral("uk"),
        QStringLiteral("vi"), QStringLiteral("zh"),
    };
    return codes;
}

} // namespace LanguageDefaults
