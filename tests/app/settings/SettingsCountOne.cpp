// Child process of the concurrent settings test: counts one translation and sets one key of
// its own in the settings in the given folder.
#include "app/settings/AppSettings.h"

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    DefaultsStore store(QString(DefaultsStore::applicationDomain), QString::fromLocal8Bit(argv[1]));
    AppSettings settings(store, {}, {});
    settings.recordSuccessfulTranslation();
    store.setBool(QString::fromLocal8Bit(argv[2]), true);
    return 0;
}
