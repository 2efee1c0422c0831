#pragma once

#include <QColor>
#include <QObject>
#include <QQmlEngine>

// The label colours of the current appearance (see Tok).
struct TokLabel {
    Q_GADGET
    QML_ANONYMOUS
    Q_PROPERTY(QColor primary MEMBER primary CONSTANT)
    Q_PROPERTY(QColor secondary MEMBER secondary CONSTANT)

public:
    QColor primary;
    QColor secondary;
};
