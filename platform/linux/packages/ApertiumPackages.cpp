#include "platform/linux/packages/ApertiumPackages.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace ApertiumPackages {

namespace {

// Two- and three-letter words in tool package names that are not languages.
const QSet<QString>& notLanguages() {
    static const QSet<QString> words{"all", "dev", "apy", "get", "lex", "lib", "dbg", "doc"};
    return words;
}

bool isTransitional(const QString& summary) {
    return summary.contains(QLatin1String("transitional"), Qt::CaseInsensitive);
}

// "eng" and "en" name the same language; the older two-letter package names are aliases.
QString baseLanguage(const QString& code) {
    const QLocale::Language language = QLocale::codeToLanguage(code);
    if (language == QLocale::AnyLanguage) {
        return code;
    }
    const QString shortCode = QLocale::languageToCode(language, QLocale::ISO639Part1);
    return shortCode.isEmpty() ? code : shortCode;
}

QString pairKey(const LanguagePackage& package) {
    QString first = baseLanguage(package.firstCode);
    QString second = baseLanguage(package.secondCode);
    if (second < first) {
        std::swap(first, second);
    }
    return first + QLatin1Char('-') + second;
}

// Prefers what is installed, then the current naming (three-letter codes make longer names).
bool better(const LanguagePackage& a, const LanguagePackage& b) {
    if (a.installed != b.installed) {
        return a.installed;
    }
    if (a.name.size() != b.name.size()) {
        return a.name.size() > b.name.size();
    }
    return a.name < b.name;
}

} // namespace

std::optional<LanguagePackage> fromName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^apertium-([a-z]{2,3})-([a-z]{2,3})$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString first = match.captured(1);
    const QString second = match.captured(2);
    if (first == second || notLanguages().contains(first) || notLanguages().contains(second)) {
        return std::nullopt;
    }
    return LanguagePackage{name, first, second, false};
}

bool isPackageName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9][a-z0-9+.-]+$"));
    return pattern.match(name).hasMatch();
}

QList<LanguagePackage> collect(const QList<Found>& found) {
    QHash<QString, LanguagePackage> byName;
    for (const Found& item : found) {
        if (isTransitional(item.summary)) {
            continue;
        }
        std::optional<LanguagePackage> package = fromName(item.name);
        if (!package) {
            continue;
        }
        auto existing = byName.find(item.name);
        if (existing == byName.end()) {
            package->installed = item.installed;
            byName.insert(item.name, *package);
        } else {
            existing->installed = existing->installed || item.installed;
        }
    }

    QHash<QString, LanguagePackage> byPair;
    for (const LanguagePackage& package : std::as_const(byName)) {
        const QString key = pairKey(package);
        auto existing = byPair.find(key);
        if (existing == byPair.end()) {
            byPair.insert(key, package);
        } else if (better(package, *existing)) {
            *existing = package;
        }
    }

    QList<LanguagePackage> packages = byPair.values();
    std::sort(packages.begin(), packages.end(),
              [](const LanguagePackage& a, const LanguagePackage& b) { return a.name < b.name; });
    return packages;
}

} // namespace ApertiumPackages
