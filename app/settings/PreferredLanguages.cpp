#include "app/settings/PreferredLanguages.h"

#include <QLocale>

namespace PreferredLanguages {

QStringList system() {
    return QLocale::system().uiLanguages();
}

} // namespace PreferredLanguages
