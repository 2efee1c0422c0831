// dictd's configuration fragment listing its databases (/var/lib/dictd/db.list).
#include "platform/linux/dictionaries/FileDictionarySource.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(DictdDatabaseList) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const auto& [name, index] : FileDictionarySource::parseDatabaseList(text)) {
        // Comments are gone before the blocks are read.
        FUZZ_CHECK(!name.contains(QLatin1Char('#')) && !index.contains(QLatin1Char('#')));
    }
    return 0;
}
