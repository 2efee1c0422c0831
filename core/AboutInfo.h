#pragma once

#include <QString>

// How the program names its version to the user.
namespace AboutInfo {

// "0.1.0 (1)": the short version and the build number; "1.0" and "1" stand in for missing ones.
QString version(const QString& shortVersion, const QString& build);

} // namespace AboutInfo
