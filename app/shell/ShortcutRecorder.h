#pragma once

#include "core/HotKeySpec.h"
#include "core/ReservedHotKey.h"

#include <QList>
#include <QObject>
#include <QQmlEngine>
#include <QString>

#include <functional>

class AppSettings;
class HotKeyManager;
class QKeyEvent;

// The Shortcuts tab's recorder of the global shortcut. While it records, every key press of
// the application is taken for the new combination and goes nowhere else, and the current
// shortcut is let go so that pressing it is recorded too; it is held again when recording
// ends. Main thread only.
class ShortcutRecorder : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool recording READ recording NOTIFY changed)
    Q_PROPERTY(Problem problem READ problem NOTIFY changed)
    // The one line under the shortcut's row; empty when all is well.
    Q_PROPERTY(QString message READ message NOTIFY changed)
    // The stored shortcut's label.
    Q_PROPERTY(QString label READ label NOTIFY changed)
    Q_PROPERTY(bool canReset READ canReset NOTIFY changed)

public:
    // QML reads enum values only by names that begin with a capital letter, hence the aliases.
    enum class Problem {
        none,
        needsModifier,
        reserved,
        taken,
        None = none,
        NeedsModifier = needsModifier,
        Reserved = reserved,
        Taken = taken,
    };
    Q_ENUM(Problem)

    using ReservedList = std::function<QList<ReservedHotKey>()>;

    // On the application's settings, hot-key manager and the desktop's shortcuts.
    explicit ShortcutRecorder(QObject* parent = nullptr);
    // `settings` and `hotKeys` must outlive the recorder; `reserved` is asked at every press.
    ShortcutRecorder(AppSettings& settings, HotKeyManager& hotKeys, ReservedList reserved,
                     QObject* parent = nullptr);
    ~ShortcutRecorder() override;

    bool recording() const { return m_recording; }
    Problem problem() const { return m_problem; }
    QString message() const;
    QString label() const;
    bool canReset() const;

    Q_INVOKABLE void start();
    // Ends recording and holds the stored shortcut again; nothing when not recording.
    Q_INVOKABLE void stop();
    Q_INVOKABLE void toggle();
    // Back to Ctrl+Alt+T, as if it had been recorded.
    Q_INVOKABLE void reset();

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handle(const QKeyEvent& event);
    void apply(const HotKeySpec& spec);
    void setProblem(Problem problem, const QString& owner = QString());
    // Lets the stored shortcut go while recording, so that its press reaches the filter.
    void releaseHeld();

    AppSettings& m_settings;
    HotKeyManager& m_hotKeys;
    ReservedList m_reserved;
    bool m_recording = false;
    // Whether recording let the stored shortcut go and stop() has to take it again.
    bool m_released = false;
    Problem m_problem = Problem::none;
    QString m_owner;
};
