#pragma once

#include <QColor>
#include <QObject>
#include <QQmlEngine>

// The surface colours of the current appearance (see Tok).
struct TokSurface {
    Q_GADGET
    QML_ANONYMOUS
    Q_PROPERTY(QColor window MEMBER window CONSTANT)
    Q_PROPERTY(QColor separator MEMBER separator CONSTANT)
    Q_PROPERTY(QColor fieldBorder MEMBER fieldBorder CONSTANT)
    Q_PROPERTY(QColor controlFill MEMBER controlFill CONSTANT)
    Q_PROPERTY(QColor focusRing MEMBER focusRing CONSTANT)

public:
    QColor window;
    QColor separator;
    QColor fieldBorder;
    QColor controlFill;
    QColor focusRing;
};
