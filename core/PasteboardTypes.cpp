#include "core/PasteboardTypes.h"

namespace PasteboardTypes {

const QSet<QString>& promised() {
    static const QSet<QString> types{QStringLiteral("NSFilesPromisePboardType"),
                                     QStringLiteral("Apple files promise pasteboard type")};
    return types;
}

bool isPromised(const QString& type) {
    return promised().contains(type)
           || type.startsWith(QLatin1StringView("com.apple.pasteboard.promised"))
           || type.startsWith(QLatin1StringView("com.apple.NSFilePromise"));
}

bool isConcealed(const QString& target, const QByteArray& value) {
    if (target != concealedTarget)
        return false;
    qsizetype end = value.size();
    while (end > 0) {
        const char c = value.at(end - 1);
        if (c != '\0' && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f')
            break;
        --end;
    }
    return QByteArrayView(value.constData(), end) == QByteArrayView("secret");
}

} // namespace PasteboardTypes
