#include "platform/linux/apertium/ApertiumFormat.h"

namespace {

bool isReserved(QChar c) {
    switch (c.unicode()) {
    case '[':
    case ']':
    case '\\':
    case '/':
    case '@':
    case '<':
    case '>':
    case '^':
    case '$':
    case '{':
    case '}':
        return true;
    default:
        return false;
    }
}

// `~` counts as white space here because lt-proc uses it to join multiword parts.
bool isBlank(QChar c) {
    return c == u' ' || c == u'\n' || c == u'\t' || c == u'\r' || c == u'~';
}

// A paragraph break ends a sentence even without a full stop.
bool endsParagraph(QStringView run) {
    return run.contains(u"\n\n") || run.contains(u"\r\n\r\n");
}

} // namespace

namespace ApertiumFormat {

QString deformat(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8 + 8);

    QString run;
    bool sentenceEnd = false;
    const auto flushRun = [&] {
        if (sentenceEnd) {
            out += u".[]";
            sentenceEnd = false;
        }
        if (run.isEmpty()) {
            return;
        }
        if (run == u" ") {
            out += run;
        } else {
            out += u'[';
            out += run;
            out += u']';
        }
        run.clear();
    };

    for (QChar c : text) {
        // A NUL would end the request; deleting it would join the words on either side.
        if (c == u'\0') {
            c = u' ';
        }
        if (isBlank(c)) {
            run += c;
            sentenceEnd = sentenceEnd || endsParagraph(QStringView(run).right(4));
            continue;
        }
        flushRun();
        if (isReserved(c)) {
            out += u'\\';
        }
        out += c;
    }
    sentenceEnd = true;
    flushRun();
    return out;
}

QString reformat(const QString& stream) {
    QString out;
    out.reserve(stream.size());
    const qsizetype n = stream.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = stream.at(i);
        const QStringView rest = QStringView(stream).mid(i);
        if (c == u'\0') {
            continue;
        }
        if (rest.startsWith(u"[\\@")) {
            out += u'@';
            i += 2;
        } else if (rest.startsWith(u".[]")) {
            i += 2;
        } else if (c == u'\\' && i + 1 < n && isReserved(stream.at(i + 1))) {
            out += stream.at(i + 1);
            ++i;
        } else if (c != u'[' && c != u']') {
            out += c;
        }
    }
    return out;
}

} // namespace ApertiumFormat
