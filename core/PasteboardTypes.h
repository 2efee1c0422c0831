#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// Clipboard targets that must never be read: data produced only on demand by its owner, and
// entries that a password manager has marked as secret.
namespace PasteboardTypes {

// Exact names of the targets that announce promised data.
const QSet<QString>& promised();

// Case-sensitive: the exact names above or one of the promised-data prefixes.
bool isPromised(const QString& type);

// Password managers offer this target alongside a secret they put on the clipboard.
inline constexpr QLatin1StringView concealedTarget{"x-kde-passwordManagerHint"};

// True when the offered target and its data mark the clipboard entry as concealed. Owners
// differ in whether they terminate the value, so trailing white space and NULs are ignored.
bool isConcealed(const QString& target, const QByteArray& value);

} // namespace PasteboardTypes
