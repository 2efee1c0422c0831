#include "platform/linux/updates/SodiumUpdateVerifier.h"

#include <QFile>

#include <sodium.h>

QByteArray SodiumUpdateVerifier::releaseKey() {
    return QByteArrayLiteral(VERDOLIN_UPDATE_PUBLIC_KEY);
}

SodiumUpdateVerifier::SodiumUpdateVerifier(const QByteArray& publicKey)
    : m_key(QByteArray::fromBase64(publicKey.trimmed(), QByteArray::AbortOnBase64DecodingErrors)) {}

bool SodiumUpdateVerifier::verify(const QString& path, const QByteArray& signature) const {
    if (m_key.size() != crypto_sign_PUBLICKEYBYTES || sodium_init() < 0)
        return false;
    const QByteArray raw =
        QByteArray::fromBase64(signature.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (raw.size() != crypto_sign_BYTES)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > sizeLimit)
        return false;
    const QByteArray content = file.readAll();
    if (content.size() != file.size())
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(raw.constData()),
                                       reinterpret_cast<const unsigned char*>(content.constData()),
                                       quint64(content.size()),
                                       reinterpret_cast<const unsigned char*>(m_key.constData()))
           == 0;
}
