#pragma once

#include "core/ProcessWide.h"

#include <QLatin1StringView>
#include <QString>

#include <memory>

// The desktop's own program for finding and installing software.
class SoftwareCentre : public ProcessWide<SoftwareCentre> {
public:
    // What to search for to find the language pair packages.
    static constexpr QLatin1StringView languagePacks{"apertium"};

    SoftwareCentre() = default;
    virtual ~SoftwareCentre() = default;
    SoftwareCentre(const SoftwareCentre&) = delete;
    SoftwareCentre& operator=(const SoftwareCentre&) = delete;

    // shared() until one is installed: none available.
    static std::shared_ptr<SoftwareCentre> unavailable();

    // Whether there is a software centre to open.
    virtual bool available() const = 0;
    // Its name as the desktop shows it ("GNOME Software"); empty when there is none.
    virtual QString name() const = 0;
    // Opens it showing what it finds for `term`; false when it could not be started.
    virtual bool openSearch(const QString& term) = 0;
};
