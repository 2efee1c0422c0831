#include "core/DictionaryRanking.h"

#include <QStringList>

namespace DictionaryRanking {

bool isRelevant(const QString& id) {
    return id != QLatin1StringView("com.apple.dictionary.AppleDictionary")
           && !id.startsWith(QLatin1StringView("com.apple.accessibility."));
}

int rank(const QString& id) {
    const QString s = id.toLower();
    if (s.contains(QLatin1StringView("thes")) || s.endsWith(QLatin1StringView(".ote"))
        || s.endsWith(QLatin1StringView(".oawt")))
        return 2;

    QString t = s;
    t.remove(QLatin1StringView("com.apple.dictionary."));
    // Language pairs are named with a hyphen ("fd-eng-spa", "de-en").
    if (t.contains(QLatin1Char('-')))
        return 0;
    static const QStringList bilingualPrefixes{
        QStringLiteral("oxfordrussian"), QStringLiteral("oxfordfrench"),
        QStringLiteral("oxfordspanish"), QStringLiteral("oxfordgerman"),
        QStringLiteral("oxforditalian")};
    for (const QString& prefix : bilingualPrefixes) {
        if (t.startsWith(prefix))
            return 0;
    }
    return 1;
}

} // namespace DictionaryRanking
