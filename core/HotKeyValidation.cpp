#include "core/HotKeyValidation.h"

HotKeyValidation::HotKeyValidation(Kind kind, const QString& name)
    : m_kind(kind)
    , m_name(name) {}

HotKeyValidation HotKeyValidation::ok() {
    return {Kind::ok, QString()};
}

HotKeyValidation HotKeyValidation::needsControlOrOption() {
    return {Kind::needsControlOrOption, QString()};
}

HotKeyValidation HotKeyValidation::conflictsWithSystem(const QString& name) {
    return {Kind::conflictsWithSystem, name};
}
