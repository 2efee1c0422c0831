#pragma once

#include <QObject>

// The desktop's choice between a light and a dark appearance, where the desktop publishes one.
// Main thread only.
class ColorSchemeSource : public QObject {
    Q_OBJECT

public:
    enum class Preference {
        unknown, // not known (yet): nobody publishes one, or the answer has not come
        none,    // published, but no preference: the desktop's palette decides
        light,
        dark,
    };
    Q_ENUM(Preference)

    using QObject::QObject;

    virtual Preference preference() const = 0;

signals:
    // Also when the first answer arrives after start.
    void preferenceChanged();
};
