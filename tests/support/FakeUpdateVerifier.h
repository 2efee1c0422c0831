#pragma once

#include "app/updates/UpdateVerifier.h"

#include <QFile>

// Accepts exactly the package "signed" with the signature "c2ln".
class FakeUpdateVerifier : public UpdateVerifier {
public:
    bool verify(const QString& path, const QByteArray& signature) const override {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && file.readAll() == "signed" && signature == "c2ln";
    }
};
