#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a start of the desktop application asks for, from its own command line or forwarded by
// a second start: verdolin:// commands, a text to translate, the clipboard, the translator.
struct LaunchRequest {
    enum class Kind {
        url,                // `value` is the verdolin:// command as given
        translateText,      // `value` is the text
        translateClipboard, // what the clipboard holds
        openTranslator,
    };

    Kind kind = Kind::url;
    QString value;

    bool operator==(const LaunchRequest&) const = default;
};

struct LaunchArguments {
    // Started by the login item: stays in the background.
    bool login = false;
    // In the order given; none asks only to bring the window back.
    QList<LaunchRequest> requests;
    // Why the arguments were refused; nothing is done then.
    std::optional<QString> error;

    // `arguments` without the program name. "--translate-text TEXT" and "--translate-text=TEXT"
    // take one text; a URL is any argument whose scheme is "verdolin".
    static LaunchArguments parse(const QStringList& arguments);

    static constexpr QLatin1StringView loginFlag{"--login"};
    static constexpr QLatin1StringView translateTextFlag{"--translate-text"};
    static constexpr QLatin1StringView translateClipboardFlag{"--translate-clipboard"};
    static constexpr QLatin1StringView openTranslatorFlag{"--open-translator"};
};
