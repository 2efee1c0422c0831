#pragma once

#include <QByteArray>
#include <QString>

// Checks a downloaded package against the signature the feed gave for it.
class UpdateVerifier {
public:
    UpdateVerifier() = default;
    virtual ~UpdateVerifier() = default;
    UpdateVerifier(const UpdateVerifier&) = delete;
    UpdateVerifier& operator=(const UpdateVerifier&) = delete;

    // Whether `signature` (base64) signs the whole file at `path` with the release key.
    virtual bool verify(const QString& path, const QByteArray& signature) const = 0;
};
