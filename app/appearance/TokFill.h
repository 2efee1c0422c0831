#pragma once

#include <QColor>
#include <QObject>
#include <QQmlEngine>

// The fill colours of the current appearance (see Tok).
struct TokFill {
    Q_GADGET
    QML_ANONYMOUS
    Q_PROPERTY(QColor primary MEMBER primary CONSTANT)
    Q_PROPERTY(QColor tertiary MEMBER tertiary CONSTANT)

public:
    QColor primary;
    QColor tertiary;
};
