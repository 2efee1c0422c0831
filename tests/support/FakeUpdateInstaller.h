#pragma once

#include "app/translation/Futures.h"
#include "app/updates/UpdateInstaller.h"

#include <QFile>
#include <QList>

// Records what it was given to install and answers `result`.
class FakeUpdateInstaller : public UpdateInstaller {
public:
    QList<QByteArray> installed;
    PrepareResult result{PrepareResult::Outcome::installed, {}, {}};

    QFuture<PrepareResult> installFile(const QString& path) override {
        QFile file(path);
        installed.append(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing"));
        return Futures::ready(result);
    }
};
