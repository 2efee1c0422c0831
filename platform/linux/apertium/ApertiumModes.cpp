#include "platform/linux/apertium/ApertiumModes.h"

#include <QDir>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <mutex>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace ApertiumModes {

namespace {

bool isAsciiLetters(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
}

bool isAsciiAlnum(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool isUnM49(const QString& piece) {
    return piece.size() == 3 && std::all_of(piece.begin(), piece.end(), [](QChar c) {
               return c >= u'0' && c <= u'9';
           });
}

// BCP 47's shape of a variant subtag: 5-8 letters or digits, or a digit and three more.
bool hasVariantShape(const QString& piece) {
    if (!std::all_of(piece.begin(), piece.end(), isAsciiAlnum))
        return false;
    return (piece.size() >= 5 && piece.size() <= 8) || (piece.size() == 4 && piece[0].isDigit());
}

bool namesVariant(const icu::Locale& locale, const icu::Locale& displayLocale,
                  const QString& variant) {
    icu::UnicodeString name;
    locale.getDisplayVariant(displayLocale, name);
    const QString shown =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(name.getBuffer()), name.length());
    return !shown.isEmpty() && shown.compare(variant, Qt::CaseInsensitive) != 0;
}

// Whether BCP 47 registers the variant, judged by whether CLDR (through ICU) has a name for
// it in English or in the language itself; Apertium's own orthography names have none.
bool isKnownVariant(const QString& languageCode, const QString& piece) {
    if (!hasVariantShape(piece))
        return false;
    const QByteArray language = languageCode.toLatin1();
    const icu::Locale locale(language.constData(), "", piece.toUpper().toLatin1().constData());
    return namesVariant(locale, icu::Locale::getEnglish(), piece)
           || namesVariant(locale, icu::Locale(language.constData()), piece);
}

// A private-use subtag holds 1-8 letters or digits.
QString privateSubtag(const QString& piece) {
    QString subtag;
    for (QChar c : piece) {
        if (isAsciiAlnum(c))
            subtag.append(c.toLower());
    }
    return subtag.left(8);
}

QString joinTag(const QString& code, QLocale::Script script, QLocale::Territory territory) {
    QString tag = code;
    if (script != QLocale::AnyScript)
        tag += u'-' + QLocale::scriptToCode(script);
    if (territory != QLocale::AnyTerritory)
        tag += u'-' + QLocale::territoryToCode(territory);
    return tag;
}

struct Subtags {
    QLocale::Script script = QLocale::AnyScript;
    QLocale::Territory territory = QLocale::AnyTerritory;
    bool operator==(const Subtags&) const = default;
};

// The likely script and territory QLocale fills in; nothing when Qt has no data for the
// language (it would silently fall back to another one).
std::optional<Subtags> likely(QLocale::Language language, Subtags given) {
    const QLocale locale(language, given.script, given.territory);
    if (locale.language() != language)
        return std::nullopt;
    return Subtags{given.script != QLocale::AnyScript ? given.script : locale.script(),
                   given.territory != QLocale::AnyTerritory ? given.territory : locale.territory()};
}

} // namespace

std::optional<EngineLanguage> mapLanguage(const QString& side) {
    const QStringList pieces = side.split(u'_');
    const QString base = pieces.first().toLower();
    if (!isAsciiLetters(base) || base.size() < 2 || base.size() > 3)
        return std::nullopt;

    const QLocale::Language qtLanguage = QLocale::codeToLanguage(
        base, base.size() == 2 ? QLocale::ISO639Part1 : QLocale::ISO639Part3);
    QString code = qtLanguage == QLocale::AnyLanguage
                       ? QString()
                       : QLocale::languageToCode(qtLanguage, QLocale::ISO639Part1);
    if (code.isEmpty())
        code = base;

    Subtags given;
    QStringList variants;
    QStringList privateUse;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        const bool beforeVariants = variants.isEmpty() && privateUse.isEmpty();
        if (beforeVariants && given.script == QLocale::AnyScript
            && given.territory == QLocale::AnyTerritory && piece.size() == 4
            && isAsciiLetters(piece) && QLocale::codeToScript(piece) != QLocale::AnyScript) {
            given.script = QLocale::codeToScript(piece);
        } else if (beforeVariants && given.territory == QLocale::AnyTerritory
                   && ((piece.size() == 2 && isAsciiLetters(piece)) || isUnM49(piece))
                   && QLocale::codeToTerritory(piece) != QLocale::AnyTerritory) {
            given.territory = QLocale::codeToTerritory(piece);
        } else if (privateUse.isEmpty() && isKnownVariant(code, piece)) {
            variants.append(piece.toLower());
        } else if (const QString subtag = privateSubtag(piece); !subtag.isEmpty()) {
            privateUse.append(subtag);
        }
    }

    QString suffix;
    for (const QString& variant : variants)
        suffix += u'-' + variant;
    if (!privateUse.isEmpty())
        suffix += QStringLiteral("-x-") + privateUse.join(u'-');

    EngineLanguage result;
    result.identifier = joinTag(code, given.script, given.territory) + suffix;
    result.languageCode = code;
    result.engineCode = side;
    result.minimalIdentifier = result.identifier;
    result.maximalIdentifier = result.identifier;

    if (qtLanguage == QLocale::AnyLanguage)
        return result;
    const std::optional<Subtags> maximal = likely(qtLanguage, given);
    if (!maximal)
        return result;
    result.maximalIdentifier = joinTag(code, maximal->script, maximal->territory) + suffix;
    // The shortest tag that maximises to the same, tried in the order of BCP 47's
    // "remove likely subtags": language, language-region, language-script.
    for (const Subtags candidate : {Subtags{}, Subtags{QLocale::AnyScript, maximal->territory},
                                    Subtags{maximal->script, QLocale::AnyTerritory}}) {
        if (likely(qtLanguage, candidate) == maximal) {
            result.minimalIdentifier =
                joinTag(code, candidate.script, candidate.territory) + suffix;
            return result;
        }
    }
    result.minimalIdentifier = result.maximalIdentifier;
    return result;
}

QStringList defaultFolders() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                + QStringLiteral("/apertium/modes"),
            QStringLiteral("/usr/share/apertium/modes")};
}

std::optional<EngineLanguage> language(const QString& side) {
    // The locale look-ups cost more than reading the folder; status() scans on every call.
    static std::mutex mutex;
    static QHash<QString, std::optional<EngineLanguage>> known;
    const std::lock_guard lock(mutex);
    const auto found = known.constFind(side);
    if (found != known.cend())
        return *found;
    return *known.insert(side, mapLanguage(side));
}

std::optional<ApertiumMode> parse(const QString& modeName) {
    const QStringList sides = modeName.split(u'-');
    if (sides.size() != 2)
        return std::nullopt;
    std::optional<EngineLanguage> source = language(sides[0]);
    std::optional<EngineLanguage> target = language(sides[1]);
    if (!source || !target || source->identifier == target->identifier)
        return std::nullopt;
    return ApertiumMode{*source, *target, QString()};
}

QList<ApertiumMode> scan(const QStringList& folders) {
    QList<ApertiumMode> modes;
    QSet<QString> seen;
    for (const QString& folder : folders) {
        const QFileInfoList files = QDir(folder).entryInfoList(
            {QStringLiteral("*.mode")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& file : files) {
            std::optional<ApertiumMode> mode = parse(file.completeBaseName());
            if (!mode)
                continue;
            const QString key = mode->source.identifier + u'>' + mode->target.identifier;
            if (seen.contains(key))
                continue;
            seen.insert(key);
            mode->file = file.absoluteFilePath();
            modes.append(*mode);
        }
    }
    return modes;
}

} // namespace ApertiumModes
