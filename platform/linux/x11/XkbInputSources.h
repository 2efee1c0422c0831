#pragma once

#include "app/settings/InputSources.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The keyboard layouts of the X session, from the root window's _XKB_RULES_NAMES property
// (what setxkbmap and the desktops write), as language codes.
class XkbInputSources final : public InputSources {
public:
    // The display named by DISPLAY; without one the list is empty.
    XkbInputSources() = default;
    explicit XkbInputSources(const QByteArray& displayName);

    QStringList languages() const override;

    // The language of one layout with its variant; empty for a layout not in the table.
    static QString languageOf(const QString& layout, const QString& variant);
    // The languages of the property's value: NUL-separated rules, model, layouts, variants and
    // options, the layouts and variants each a comma-separated list.
    static QStringList languagesOfRulesNames(const QByteArray& rulesNames);

private:
    QByteArray m_displayName;
};
