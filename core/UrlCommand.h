#pragma once

#include <QString>

#include <optional>

// A verdolin:// command: the host names it, its query items carry the values (percent-decoded;
// the first item of a name counts).
struct UrlCommand {
    enum class Kind {
        translate, // open at the pointer, with `text` as new input when given
        hide,
        setup,    // onboarding at `step`
        settings, // the settings screen, on the tab `tab` names (see SettingsTabs::fromName)
        reopen,   // no host or an unknown one: open the window as it was
    };

    Kind kind = Kind::reopen;
    std::optional<QString> text;
    int step = 0;
    std::optional<QString> tab;

    static constexpr int kLastSetupStep = 3;

    // `url` as received: QUrl would lowercase the host, and commands are compared exactly.
    static UrlCommand parse(const QString& url);

    bool operator==(const UrlCommand&) const = default;
};
