#pragma once

#include "app/dictionary/DictEntry.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QQmlEngine>
#include <QString>

// The result pane's text: the translation, then each dictionary entry as a small heading over
// its definition, in one rich text so that a selection can run across entries. Every piece is
// escaped: nothing the engine or a dictionary says is read as markup.
class PaneStyle : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    static constexpr int fontSize = 15;
    static constexpr int headingSize = 11;
    static constexpr int bodySize = 12;

    using QObject::QObject;

    Q_INVOKABLE static QString attributed(const QString& text, const QList<DictEntry>& entries,
                                          const QColor& secondary);
    // Where the result pane scrolls to after its text changed: where it was, but never past the
    // end of shorter content.
    Q_INVOKABLE static double preservedOffset(double old, double contentHeight,
                                              double viewportHeight);
};
