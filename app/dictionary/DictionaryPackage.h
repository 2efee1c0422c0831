#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

// A system package that installs a dictionary, as the settings offer it.
struct DictionaryPackage {
    Q_GADGET
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(bool installed MEMBER installed)

public:
    // The package manager's name: "dict-freedict-eng-spa".
    QString name;
    // What the user sees: "English → Spanish (FreeDict)", "WordNet (English)".
    QString title;
    bool installed = false;

    bool operator==(const DictionaryPackage&) const = default;
};

Q_DECLARE_METATYPE(DictionaryPackage)
