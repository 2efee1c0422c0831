#include "platform/linux/desktop/DesktopEntry.h"

#include <algorithm>

namespace {

bool isReservedInExec(QChar c) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#`()");
    return reserved.contains(c);
}

bool needsBackslashInQuotes(QChar c) {
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

bool isSeparator(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

QString boolWord(const QString& value) {
    return value.trimmed().toLower();
}

} // namespace

namespace DesktopEntry {

QHash<QString, QString> mainGroup(const QByteArray& contents) {
    QHash<QString, QString> keys;
    bool inMain = false;
    const QString text = QString::fromUtf8(contents);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            inMain = trimmed == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMain || equals <= 0)
            continue;
        const QStringView key = line.first(equals).trimmed();
        QStringView value = line.sliced(equals + 1);
        while (!value.isEmpty() && (value.front() == u' ' || value.front() == u'\t'))
            value = value.sliced(1);
        if (!key.isEmpty())
            keys.insert(key.toString(), unescapeValue(value));
    }
    return keys;
}

std::optional<QString> escapeValue(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\')
            out += QLatin1StringView("\\\\");
        else if (c == u'\n')
            out += QLatin1StringView("\\n");
        else if (c == u'\t')
            out += QLatin1StringView("\\t");
        else if (c == u'\r')
            out += QLatin1StringView("\\r");
        else if (c == u' ' && (i == 0 || i == value.size() - 1))
            out += QLatin1StringView("\\s"); // readers drop bare spaces at the ends
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return std::nullopt;
        else
            out += c;
    }
    return out;
}

QString unescapeValue(QStringView raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const QChar next = raw.at(++i);
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

QString quoteExecArgument(const QString& argument) {
    QString percentSafe = argument;
    percentSafe.replace(u'%', QLatin1StringView("%%"));
    if (!percentSafe.isEmpty()
        && std::none_of(percentSafe.cbegin(), percentSafe.cend(),
                        [](QChar c) { return isReservedInExec(c); }))
        return percentSafe;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : percentSafe) {
        if (needsBackslashInQuotes(c))
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

std::optional<QStringList> execArguments(QStringView exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    qsizetype i = 0;
    const auto endArgument = [&] {
        if (inArgument)
            arguments.append(current.replace(QLatin1StringView("%%"), QLatin1StringView("%")));
        current.clear();
        inArgument = false;
    };
    while (i < exec.size()) {
        const QChar c = exec.at(i);
        if (isSeparator(c)) {
            endArgument();
            ++i;
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            ++i;
            bool closed = false;
            while (i < exec.size()) {
                const QChar q = exec.at(i);
                if (q == u'"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (q == u'\\' && i + 1 < exec.size() && needsBackslashInQuotes(exec.at(i + 1)))
                    ++i;
                current += exec.at(i);
                ++i;
            }
            if (!closed)
                return std::nullopt;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            // Outside quotes a backslash takes the next character literally, as a shell does.
            current += exec.at(i + 1);
            i += 2;
        } else {
            current += c;
            ++i;
        }
    }
    endArgument();
    return arguments;
}

bool isTrue(const QString& value) {
    const QString word = boolWord(value);
    return word == u"true" || word == u"1" || word == u"yes" || word == u"on";
}

bool isFalse(const QString& value) {
    const QString word = boolWord(value);
    return word == u"false" || word == u"0" || word == u"no" || word == u"off";
}

} // namespace DesktopEntry
