#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Reading and writing the few parts of the freedesktop.org Desktop Entry format that an
// autostart entry needs.
namespace DesktopEntry {

// The keys of the "Desktop Entry" group with their values unescaped; a repeated key keeps its
// last value.
QHash<QString, QString> mainGroup(const QByteArray& contents);

// A string value as written after "Key=": backslash, newline, tab and carriage return escaped,
// and spaces at either end kept. Other control characters cannot be written: nullopt.
std::optional<QString> escapeValue(const QString& value);
// Undoes escapeValue; an unknown escape is kept as it is.
QString unescapeValue(QStringView raw);

// One argument of an Exec value (before escapeValue): quoted when it holds a reserved
// character, with "%" doubled so that it is not taken for a field code.
QString quoteExecArgument(const QString& argument);
// The arguments of an unescaped Exec value, quoting undone and "%%" made "%"; other field codes
// are kept. nullopt when a quotation is not closed.
std::optional<QStringList> execArguments(QStringView exec);

// Booleans as desktops read them, a little more leniently than the format allows.
bool isTrue(const QString& value);
bool isFalse(const QString& value);

} // namespace DesktopEntry
