#pragma once

#include <QColor>
#include <QObject>
#include <QQmlEngine>

// The system colours of the current appearance (see Tok).
struct TokSystem {
    Q_GADGET
    QML_ANONYMOUS
    Q_PROPERTY(QColor red MEMBER red CONSTANT)
    Q_PROPERTY(QColor orange MEMBER orange CONSTANT)
    Q_PROPERTY(QColor green MEMBER green CONSTANT)
    Q_PROPERTY(QColor blue MEMBER blue CONSTANT)

public:
    QColor red;
    QColor orange;
    QColor green;
    QColor blue;
};
