#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

// One definition shown under a single-word translation.
struct DictEntry {
    Q_GADGET
    Q_PROPERTY(QUuid id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString text MEMBER text)

public:
    // Fresh per entry, so that two equal texts from one dictionary stay distinct rows.
    QUuid id;
    // The dictionary's display name, or "Dictionary" for the default dictionary's answer.
    QString name;
    // At most 1,500 user-perceived characters, plus "…" when the definition was longer.
    QString text;

    bool operator==(const DictEntry&) const = default;
};

Q_DECLARE_METATYPE(DictEntry)
