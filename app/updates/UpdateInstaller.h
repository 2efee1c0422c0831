#pragma once

#include "app/languages/PrepareResult.h"

#include <QFuture>
#include <QString>

// Installs a downloaded package through the system, which asks for the user's permission.
class UpdateInstaller {
public:
    UpdateInstaller() = default;
    virtual ~UpdateInstaller() = default;
    UpdateInstaller(const UpdateInstaller&) = delete;
    UpdateInstaller& operator=(const UpdateInstaller&) = delete;

    virtual QFuture<PrepareResult> installFile(const QString& path) = 0;
};
