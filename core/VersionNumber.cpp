#include "core/VersionNumber.h"

#include <QStringList>

std::optional<VersionNumber> VersionNumber::parse(const QString& text) {
    VersionNumber version;
    for (const QStringView part : QStringView(text).split(u'.')) {
        if (part.isEmpty() || part.size() > 9)
            return std::nullopt;
        quint32 value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + quint32(c.unicode() - u'0');
        }
        version.components.append(value);
    }
    return version;
}

QString VersionNumber::toString() const {
    QStringList parts;
    for (const quint32 component : components)
        parts.append(QString::number(component));
    return parts.join(u'.');
}

std::strong_ordering VersionNumber::operator<=>(const VersionNumber& other) const {
    // Missing components count as zeros: 1.0 == 1.0.0.
    const qsizetype count = std::max(components.size(), other.components.size());
    for (qsizetype i = 0; i < count; ++i) {
        const quint32 mine = components.value(i);
        const quint32 theirs = other.components.value(i);
        if (mine != theirs)
            return mine <=> theirs;
    }
    return std::strong_ordering::equal;
}

bool VersionNumber::operator==(const VersionNumber& other) const {
    return (*this <=> other) == std::strong_ordering::equal;
}
