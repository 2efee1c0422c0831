// Child process of the concurrent history tests: adds one entry to the history at the given
// path; exits 1 when it did not reach the file.
#include "core/HistoryStore.h"

#include <QDateTime>
#include <QUuid>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: history_add_one FILE SOURCE\n", stderr);
        return 2;
    }
    HistoryStore store(QString::fromLocal8Bit(argv[1]), 50);
    const QString source = QString::fromLocal8Bit(argv[2]);
    store.add(HistoryEntry{QUuid::createUuid(), QDateTime(QDate(2025, 3, 1), QTime(10, 0), Qt::UTC),
                           source, source.toUpper(), QStringLiteral("en"), QStringLiteral("es")});
    return store.flush() ? 0 : 1;
}
