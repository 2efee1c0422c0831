#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// Environment variables changed for one test and put back as they were when it ends.
class ScopedEnvironment {
public:
    // A locale name that no system has generated.
    static constexpr const char* kMissingLocale = "xx_XX.UTF-8";

    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    ~ScopedEnvironment() {
        for (auto saved = m_saved.rbegin(); saved != m_saved.rend(); ++saved) {
            if (saved->value)
                qputenv(saved->name.constData(), *saved->value);
            else
                qunsetenv(saved->name.constData());
        }
    }

    void set(const char* name, const QByteArray& value) {
        save(name);
        qputenv(name, value);
    }

    // What a user whose locale was never generated has: LANG and LC_ALL name it.
    void setMissingLocale() {
        set("LANG", kMissingLocale);
        set("LC_ALL", kMissingLocale);
        set("LC_CTYPE", kMissingLocale);
    }

    // Programs in `folder` come before the system's.
    void prependPath(const QString& folder) {
        const QByteArray path = qgetenv("PATH");
        set("PATH", folder.toLocal8Bit() + (path.isEmpty() ? QByteArray() : ':' + path));
    }

private:
    struct Saved {
        QByteArray name;
        std::optional<QByteArray> value;
    };

    void save(const char* name) {
        m_saved.push_back({name, qEnvironmentVariableIsSet(name)
                                     ? std::optional<QByteArray>(qgetenv(name))
                                     : std::nullopt});
    }

    std::vector<Saved> m_saved;
};
