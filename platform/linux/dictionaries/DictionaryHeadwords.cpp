#include "platform/linux/dictionaries/DictionaryHeadwords.h"

#include "platform/linux/apertium/ApertiumModes.h"
#include "platform/linux/dictionaries/DictDataFile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLocale>
#include <QRegularExpression>

namespace {

constexpr qsizetype kMaxWordLength = 100;

bool isWordCharacter(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::category(c) == QChar::Mark_NonSpacing
           || QChar::category(c) == QChar::Mark_SpacingCombining;
}

std::optional<QByteArray> readWhole(const QString& path) {
    return DictDataFile::readIndex(path, DictDataFile::kMaxSize);
}

void addWord(QSet<QString>& words, QByteArrayView raw) {
    if (raw.isEmpty() || raw.size() > kMaxWordLength * 4)
        return;
    const QString word = QString::fromUtf8(raw);
    // Tokens are single words, so a phrase can never match one.
    for (const QChar c : word) {
        if (c.isSpace())
            return;
    }
    const QString folded = DictionaryHeadwords::fold(word);
    if (!folded.isEmpty())
        words.insert(folded);
}

} // namespace

namespace DictionaryHeadwords {

std::optional<QString> sourceLanguage(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^(?:freedict-)?([a-z]{2,3})-([a-z]{2,3})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    // Both sides must be real languages, or "foo-bar" would pass for a dictionary of "foo".
    for (const QString& side : {match.captured(1), match.captured(2)}) {
        const auto part = side.size() == 2 ? QLocale::ISO639Part1 : QLocale::ISO639Part3;
        if (QLocale::codeToLanguage(side.toLower(), part) == QLocale::AnyLanguage)
            return std::nullopt;
    }
    const std::optional<EngineLanguage> source =
        ApertiumModes::language(match.captured(1).toLower());
    if (!source || source->languageCode.isEmpty())
        return std::nullopt;
    return source->languageCode;
}

QString fold(QStringView word) {
    qsizetype begin = 0;
    qsizetype end = word.size();
    const auto pointAt = [&](qsizetype i) -> char32_t {
        const QChar c = word[i];
        if (c.isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate())
            return QChar::surrogateToUcs4(c, word[i + 1]);
        return c.unicode();
    };
    while (begin < end && !isWordCharacter(pointAt(begin)))
        begin += QChar::requiresSurrogates(pointAt(begin)) ? 2 : 1;
    while (end > begin) {
        qsizetype last = end - 1;
        if (word[last].isLowSurrogate() && last > begin && word[last - 1].isHighSurrogate())
            --last;
        if (isWordCharacter(pointAt(last)))
            break;
        end = last;
    }
    return word.sliced(begin, end - begin).toString().toCaseFolded();
}

QSet<QString> readDictdIndex(const QString& indexPath) {
    QSet<QString> words;
    const std::optional<QByteArray> bytes = readWhole(indexPath);
    if (!bytes)
        return words;
    for (QByteArrayView rest(*bytes); !rest.isEmpty();) {
        qsizetype newline = rest.indexOf('\n');
        if (newline < 0)
            newline = rest.size();
        const QByteArrayView line = rest.first(newline);
        rest = rest.sliced(std::min(newline + 1, rest.size()));
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        const QByteArrayView word = line.first(tab);
        if (word.startsWith("00database") || word.startsWith("00-database-"))
            continue;
        addWord(words, word);
    }
    return words;
}

QSet<QString> readStarDictIndex(const QString& ifoPath) {
    QSet<QString> words;
    QFile ifo;
    if (!DictDataFile::openRegular(ifo, ifoPath) || ifo.size() > 1024 * 1024)
        return words;
    int offsetBits = 32;
    for (const QByteArray& line : ifo.readAll().split('\n')) {
        if (line.trimmed() == "idxoffsetbits=64")
            offsetBits = 64;
    }
    const QFileInfo info(ifoPath);
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    std::optional<QByteArray> idx = readWhole(base + QLatin1String(".idx"));
    if (!idx)
        idx = readWhole(base + QLatin1String(".idx.gz"));
    if (!idx)
        return words;
    const qsizetype numbers = offsetBits / 8 + 4;
    for (qsizetype pos = 0; pos < idx->size();) {
        const qsizetype nul = idx->indexOf('\0', pos);
        if (nul < 0 || nul + 1 + numbers > idx->size())
            break; // truncated: keep what came before
        addWord(words, QByteArrayView(*idx).sliced(pos, nul - pos));
        pos = nul + 1 + numbers;
    }
    return words;
}

} // namespace DictionaryHeadwords
