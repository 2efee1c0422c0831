#pragma once

#include "app/appearance/ColorSchemeSource.h"

#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QQmlEngine>

#include <memory>
#include <optional>

class AppSettings;

// Whether the screens are drawn light or dark: the appearance setting ("light", "dark"), and
// for "system" the desktop's preference, or the lightness of the desktop's palette where the
// desktop publishes none. Keeps the application palette in step, so that the standard controls
// follow too. Main thread only.
class Theme : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool dark READ dark NOTIFY darkChanged)

public:
    // `settings` must outlive the theme; `desktop` may be null where nothing publishes one.
    // `desktopPalette` is the palette the desktop gave the application.
    Theme(AppSettings& settings, ColorSchemeSource* desktop, QPalette desktopPalette,
          QObject* parent = nullptr);

    static Theme& shared();
    static void installShared(std::unique_ptr<Theme> theme);
    static Theme* create(QQmlEngine* engine, QJSEngine* script);

    bool dark() const { return m_dark; }
    // The palette the standard controls are given for the current appearance.
    QPalette palette() const;

signals:
    void darkChanged();

private:
    void update();
    // Dark or light as the setting or the desktop's preference decides; absent when the
    // desktop's palette decides.
    std::optional<bool> chosenDark() const;

    AppSettings& m_settings;
    QPointer<ColorSchemeSource> m_desktop;
    QPalette m_desktopPalette;
    bool m_dark = false;
};
