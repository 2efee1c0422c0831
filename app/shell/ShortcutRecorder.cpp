#include "app/shell/ShortcutRecorder.h"

#include "app/settings/AppSettings.h"
#include "app/shell/AppModel.h"
#include "app/shortcuts/HotKeyManager.h"
#include "app/shortcuts/SystemHotKeys.h"
#include "core/HotKeyRules.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

constexpr quint32 escapeKeysym = 0xff1b; // XK_Escape

// Keys that only build a combination: Shift_L … Hyper_R with the locks among them, the ISO
// level and group keys (AltGr is ISO_Level3_Shift), Mode_switch and Num_Lock.
bool isModifierKey(quint32 keysym) {
    return (keysym >= 0xffe1 && keysym <= 0xffee) || (keysym >= 0xfe01 && keysym <= 0xfe13)
           || keysym == 0xff7e || keysym == 0xff7f;
}

bool isLatin1(quint32 keysym) {
    return (keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff);
}

// What the key types, for its name. The event's text is a control character while Ctrl is
// held, so the keysym speaks where it can: Latin-1 keysyms are their characters and Unicode
// keysyms carry theirs.
QString characters(quint32 keysym, const QString& text) {
    if (isLatin1(keysym))
        return QString(QChar(char16_t(keysym)));
    if (keysym >= 0x1000100 && keysym <= 0x110ffff) {
        const char32_t codePoint = keysym - 0x1000000;
        return QString::fromUcs4(&codePoint, 1);
    }
    return text;
}

// Shift makes the keysym a capital; the desktop's shortcuts, like the default, name the key
// by its small letter.
quint32 keyCode(quint32 keysym) {
    return isLatin1(keysym) ? QChar(char16_t(keysym)).toLower().unicode() : keysym;
}

} // namespace

ShortcutRecorder::ShortcutRecorder(QObject* parent)
    : ShortcutRecorder(*AppModel::shared().settings(), HotKeyManager::shared(),
                       &SystemHotKeys::reserved, parent) {}

ShortcutRecorder::ShortcutRecorder(AppSettings& settings, HotKeyManager& hotKeys,
                                   ReservedList reserved, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_hotKeys(hotKeys)
    , m_reserved(std::move(reserved)) {
    connect(&settings, &AppSettings::hotKeyChanged, this, &ShortcutRecorder::changed);
    connect(&hotKeys, &HotKeyManager::lastStatusChanged, this, &ShortcutRecorder::changed);
}

ShortcutRecorder::~ShortcutRecorder() {
    stop();
}

QString ShortcutRecorder::message() const {
    switch (m_problem) {
    case Problem::needsModifier:
        return tr("Add Ctrl or Alt to the combination.");
    case Problem::reserved:
        return m_owner.isEmpty() ? tr("The desktop already uses this shortcut.")
                                 : tr("%1 already uses this shortcut.").arg(m_owner);
    case Problem::taken:
        return tr("Another app already uses this shortcut.");
    default:
        break;
    }
    return m_hotKeys.lastStatus() != 0
               ? tr("Another app already uses this shortcut. Choose a different one.")
               : QString();
}

QString ShortcutRecorder::label() const {
    return m_settings.hotKey().label;
}

bool ShortcutRecorder::canReset() const {
    return !m_recording && m_settings.hotKey() != HotKeySpec::defaultSpec();
}

void ShortcutRecorder::start() {
    m_problem = Problem::none;
    m_owner.clear();
    if (!m_recording) {
        m_recording = true;
        if (QCoreApplication* application = QCoreApplication::instance())
            application->installEventFilter(this);
        releaseHeld();
    }
    emit changed();
}

void ShortcutRecorder::stop() {
    if (!m_recording)
        return;
    m_recording = false;
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
    if (m_released && !m_hotKeys.isRegistered())
        m_hotKeys.registerHotKey(m_settings.hotKey());
    m_released = false;
    emit changed();
}

void ShortcutRecorder::toggle() {
    if (m_recording)
        stop();
    else
        start();
}

void ShortcutRecorder::reset() {
    apply(HotKeySpec::defaultSpec());
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (!m_recording)
        return QObject::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return false;
    // Taken here: no shortcut of the window fires and no control sees the press. A held key
    // repeats what was already decided.
    event->accept();
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (type == QEvent::KeyPress && !key->isAutoRepeat())
        handle(*key);
    return true;
}

void ShortcutRecorder::handle(const QKeyEvent& event) {
    const quint32 keysym = event.nativeVirtualKey();
    if (keysym == 0 || isModifierKey(keysym))
        return;
    if (keysym == escapeKeysym) {
        stop();
        return;
    }
    const quint32 mods = HotKeyRules::modsFromEventFlags(event.nativeModifiers());
    const QString name = HotKeyRules::keyName(keysym, characters(keysym, event.text()));
    const HotKeySpec spec{keyCode(keysym), mods, HotKeyRules::label(mods, name)};
    const HotKeyValidation validation = HotKeyRules::validate(spec, m_reserved());
    switch (validation.kind()) {
    case HotKeyValidation::Kind::ok:
        apply(spec);
        break;
    case HotKeyValidation::Kind::needsControlOrOption:
        setProblem(Problem::needsModifier);
        break;
    case HotKeyValidation::Kind::conflictsWithSystem:
        setProblem(Problem::reserved, validation.name());
        break;
    }
}

void ShortcutRecorder::apply(const HotKeySpec& spec) {
    const HotKeySpec old = m_settings.hotKey();
    if (m_hotKeys.registerHotKey(spec) != 0) {
        // The previous shortcut keeps working, and lastStatus says so again.
        m_hotKeys.registerHotKey(old);
        m_released = false;
        if (m_recording)
            releaseHeld();
        setProblem(Problem::taken);
        return;
    }
    // The new combination is held; stop() has nothing to take back.
    m_released = false;
    m_settings.setHotKey(spec); // writes the shortcut's keys as well
    setProblem(Problem::none);
    stop();
}

void ShortcutRecorder::setProblem(Problem problem, const QString& owner) {
    m_problem = problem;
    m_owner = owner;
    emit changed();
}

void ShortcutRecorder::releaseHeld() {
    if (!m_hotKeys.isRegistered())
        return;
    m_hotKeys.release();
    m_released = true;
}
