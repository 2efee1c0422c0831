#pragma once

#include "platform/linux/packages/LanguagePackage.h"

#include <QList>
#include <QString>

#include <optional>

// What the system's package lists say about Apertium packages, reduced to the pair packages a
// user can pick from.
namespace ApertiumPackages {

// One package as a package manager reports it.
struct Found {
    QString name;
    QString summary;
    bool installed = false;

    bool operator==(const Found&) const = default;
};

// The pair a package name offers: "apertium-eng-spa" gives eng and spa; tools such as
// "apertium-dev" or "apertium-lex-tools" and single-language data ("apertium-hin") give none.
std::optional<LanguagePackage> fromName(const QString& name);

// Whether `name` is a well-formed package name, safe to pass to a package manager or to show
// inside a command.
bool isPackageName(const QString& name);

// Pair packages only, one entry per name (installed when any report says so), transitional
// packages and older aliases of the same pair left out, sorted by name.
QList<LanguagePackage> collect(const QList<Found>& found);

} // namespace ApertiumPackages
