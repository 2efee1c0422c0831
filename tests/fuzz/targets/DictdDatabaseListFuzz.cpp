// dictd's configuration fragment listing its databases (/var/lib/dictd/db.list).
#include "platform/linux/dictionaries/FileDictionarySource.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(DictdDatabaseList) {
    for (const auto& [name, index] :
         FileDictionarySource::parseDatabaseList(QString::fromUtf8(input))) {
        // Comments are gone before the blocks are read.
        FUZZ_CHECK(!name.contains(QLatin1Char('#')) && !index.contains(QLatin1Char('#')));
    }
}
