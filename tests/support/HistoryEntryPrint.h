#pragma once

#include "core/HistoryEntry.h"

#include <ostream>

// Readable failure messages for GoogleTest; found by argument-dependent look-up.
inline void PrintTo(const HistoryEntry& e, std::ostream* out) {
    *out << '{' << e.id.toString(QUuid::WithoutBraces).toStdString() << ' '
         << e.date.toString(Qt::ISODateWithMs).toStdString() << " \"" << e.source.toStdString()
         << "\" \"" << e.result.toStdString() << "\" " << e.from.toStdString() << "->"
         << e.to.toStdString() << '}';
}
