#include "core/LanguageCode.h"

#include <QRegularExpression>

namespace LanguageCode {

QString normalize(const QString& identifier) {
    static const QRegularExpression separators(QStringLiteral("[-_]"));
    const QStringList pieces = identifier.split(separators, Qt::SkipEmptyParts);
    const QString code = (pieces.isEmpty() ? identifier : pieces.first()).toLower();
    // Norwegian Bokmål is what engines and recognisers mean by the macro-language code.
    return code == QLatin1String("no") ? QStringLiteral("nb") : code;
}

} // namespace LanguageCode
