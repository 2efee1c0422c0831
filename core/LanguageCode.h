#pragma once

#include <QString>

// Reduces any platform language identifier (en-US, zh_Hant_TW, pt_BR, NO) to the short
// lower-case code the rest of the program speaks in.
namespace LanguageCode {

// Region and script are dropped; "no" becomes "nb".
QString normalize(const QString& identifier);

} // namespace LanguageCode
