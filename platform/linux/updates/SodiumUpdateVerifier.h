#pragma once

#include "app/updates/UpdateVerifier.h"

#include <QByteArray>

// Ed25519 signatures over the whole package, checked with libsodium against the release key.
class SodiumUpdateVerifier final : public UpdateVerifier {
public:
    // Packages larger than this are not read into memory to be checked.
    static constexpr qint64 sizeLimit = qint64(1) << 30;

    // The key built into this program.
    static QByteArray releaseKey();

    // `publicKey`: 32 bytes, base64. A key of another length verifies nothing.
    explicit SodiumUpdateVerifier(const QByteArray& publicKey = releaseKey());

    bool verify(const QString& path, const QByteArray& signature) const override;

private:
    QByteArray m_key;
};
