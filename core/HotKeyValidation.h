#pragma once

#include <QString>

// Outcome of checking a newly recorded shortcut.
class HotKeyValidation {
public:
    enum class Kind { ok, needsControlOrOption, conflictsWithSystem };

    static HotKeyValidation ok();
    static HotKeyValidation needsControlOrOption();
    // name: the owner of the reserved shortcut, shown to the user.
    static HotKeyValidation conflictsWithSystem(const QString& name);

    Kind kind() const { return m_kind; }
    // Empty unless kind() is conflictsWithSystem.
    const QString& name() const { return m_name; }

    bool operator==(const HotKeyValidation&) const = default;

private:
    HotKeyValidation(Kind kind, const QString& name);

    Kind m_kind;
    QString m_name;
};
