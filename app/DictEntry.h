#pragma once

#include <QString>
#include <QUuid>

// One definition shown under a single-word translation.
struct DictEntry {
    // Fresh per entry, so that two equal texts from one dictionary stay distinct rows.
    QUuid id;
    // The dictionary's display name, or "Dictionary" for the default dictionary's answer.
    QString name;
    // At most 1,500 user-perceived characters, plus "…" when the definition was longer.
    QString text;

    bool operator==(const DictEntry&) const = default;
};
