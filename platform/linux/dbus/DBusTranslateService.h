#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

// com.korvane.Verdolin on the session bus: other programs (a desktop shortcut, a script) ask
// the running Verdolin to translate a text with TranslateText(s).
class DBusTranslateService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.korvane.Verdolin")

public:
    static constexpr const char* kService = "com.korvane.Verdolin";
    static constexpr const char* kPath = "/com/korvane/Verdolin";

    // `translate` gets each non-empty text asked for.
    DBusTranslateService(QDBusConnection bus, std::function<void(const QString&)> translate,
                         QObject* parent = nullptr);
    ~DBusTranslateService() override;

    // False, and logged, when there is no bus or another program holds the name.
    bool start();

public slots:
    Q_SCRIPTABLE void TranslateText(const QString& text);

private:
    QDBusConnection m_bus;
    std::function<void(const QString&)> m_translate;
    bool m_started = false;
};
