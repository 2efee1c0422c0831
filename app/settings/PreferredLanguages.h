#pragma once

#include <QStringList>

// The user's preferred languages as the system reports them.
namespace PreferredLanguages {

// BCP 47 identifiers in the user's order, from LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
QStringList system();

} // namespace PreferredLanguages
