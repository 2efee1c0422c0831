// Child process of the history crash test: adds entries to the history at the given path
// forever, writing after every one, until it is killed.
#include "core/HistoryStore.h"

#include <QDateTime>
#include <QUuid>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: history_save_loop FILE\n", stderr);
        return 2;
    }
    HistoryStore store(QString::fromLocal8Bit(argv[1]), 50);
    for (quint64 n = 0;; ++n) {
        // Lengths vary so that a torn write could not pass for a whole file.
        const QString source = QStringLiteral("text %1 ").arg(n).repeated(int(n % 40) + 1);
        store.add(HistoryEntry{QUuid::createUuid(), QDateTime::currentDateTimeUtc(), source,
                               source.toUpper(), QStringLiteral("en"), QStringLiteral("de")});
        store.flush();
        if (n == 0) {
            // Tells the test that a complete file is on disk.
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
}
