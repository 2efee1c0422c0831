#include "app/appearance/Theme.h"

#include "app/settings/AppSettings.h"

#include <QGuiApplication>

namespace {

std::unique_ptr<Theme>& sharedTheme() {
    static std::unique_ptr<Theme> theme;
    return theme;
}

// The standard controls' colours, close to the tokens of each appearance.
QPalette fixedPalette(bool dark) {
    QPalette palette;
    const auto set = [&](QPalette::ColorRole role, QColor light, QColor night) {
        palette.setColor(role, dark ? night : light);
    };
    set(QPalette::Window, QColor(0xf2, 0xf2, 0xf2), QColor(0x1e, 0x1e, 0x1e));
    set(QPalette::WindowText, QColor(0x26, 0x26, 0x26), Qt::white);
    set(QPalette::Base, Qt::white, QColor(0x2a, 0x2a, 0x2a));
    set(QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf5), QColor(0x33, 0x33, 0x33));
    set(QPalette::Text, QColor(0x26, 0x26, 0x26), Qt::white);
    set(QPalette::Button, QColor(0xe8, 0xe8, 0xe8), QColor(0x3a, 0x3a, 0x3a));
    set(QPalette::ButtonText, QColor(0x26, 0x26, 0x26), Qt::white);
    set(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80), QColor(0x8c, 0x8c, 0x8c));
    set(QPalette::Highlight, QColor(0x00, 0x88, 0xff), QColor(0x00, 0x91, 0xff));
    set(QPalette::HighlightedText, Qt::white, Qt::white);
    set(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xf0), QColor(0x3a, 0x3a, 0x3a));
    set(QPalette::ToolTipText, QColor(0x26, 0x26, 0x26), Qt::white);
    set(QPalette::Light, Qt::white, QColor(0x4a, 0x4a, 0x4a));
    set(QPalette::Midlight, QColor(0xe0, 0xe0, 0xe0), QColor(0x40, 0x40, 0x40));
    set(QPalette::Mid, QColor(0xb8, 0xb8, 0xb8), QColor(0x30, 0x30, 0x30));
    set(QPalette::Dark, QColor(0x9a, 0x9a, 0x9a), QColor(0x20, 0x20, 0x20));
    set(QPalette::Shadow, QColor(0x76, 0x76, 0x76), Qt::black);
    set(QPalette::Link, QColor(0x00, 0x66, 0xcc), QColor(0x4d, 0xa6, 0xff));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role,
                         dark ? QColor(0x80, 0x80, 0x80) : QColor(0xa0, 0xa0, 0xa0));
    }
    return palette;
}

} // namespace

Theme::Theme(AppSettings& settings, ColorSchemeSource* desktop, QPalette desktopPalette,
             QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_desktop(desktop)
    , m_desktopPalette(std::move(desktopPalette)) {
    connect(&m_settings, &AppSettings::appearanceModeChanged, this, &Theme::update);
    if (m_desktop)
        connect(m_desktop, &ColorSchemeSource::preferenceChanged, this, &Theme::update);
    update();
}

Theme& Theme::shared() {
    Q_ASSERT(sharedTheme());
    return *sharedTheme();
}

void Theme::installShared(std::unique_ptr<Theme> theme) {
    sharedTheme() = std::move(theme);
}

Theme* Theme::create(QQmlEngine*, QJSEngine*) {
    Theme* theme = &shared();
    QJSEngine::setObjectOwnership(theme, QJSEngine::CppOwnership);
    return theme;
}

std::optional<bool> Theme::chosenDark() const {
    const QString mode = m_settings.appearanceMode();
    if (mode == QLatin1String("dark"))
        return true;
    if (mode == QLatin1String("light"))
        return false;
    switch (m_desktop ? m_desktop->preference() : ColorSchemeSource::Preference::unknown) {
    case ColorSchemeSource::Preference::dark:
        return true;
    case ColorSchemeSource::Preference::light:
        return false;
    case ColorSchemeSource::Preference::none:
    case ColorSchemeSource::Preference::unknown:
        break;
    }
    return std::nullopt;
}

QPalette Theme::palette() const {
    return chosenDark() ? fixedPalette(m_dark) : m_desktopPalette;
}

void Theme::update() {
    const bool dark =
        chosenDark().value_or(m_desktopPalette.color(QPalette::Window).lightnessF() < 0.5);
    const bool changed = dark != m_dark;
    m_dark = dark;
    // Only an application with a window has a palette to keep in step.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setPalette(palette());
    if (changed)
        emit darkChanged();
}
