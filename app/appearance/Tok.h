#pragma once

#include "app/appearance/TokFill.h"
#include "app/appearance/TokLabel.h"
#include "app/appearance/TokSurface.h"
#include "app/appearance/TokSystem.h"

#include <QObject>
#include <QPointer>
#include <QQmlEngine>

class Theme;

// The colours every screen draws with, each a fixed pair of sRGB colours for the light and the
// dark appearance. Bindings that read a group (Tok.label.primary) are re-evaluated when the
// theme turns, so an open window repaints without being rebuilt.
class Tok : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(TokLabel label READ label NOTIFY changed)
    Q_PROPERTY(TokFill fill READ fill NOTIFY changed)
    Q_PROPERTY(TokSystem system READ system NOTIFY changed)
    Q_PROPERTY(TokSurface surface READ surface NOTIFY changed)

public:
    // Follows `theme`, which must outlive the tokens.
    explicit Tok(Theme& theme, QObject* parent = nullptr);

    static Tok* create(QQmlEngine* engine, QJSEngine* script);

    static TokLabel label(bool dark);
    static TokFill fill(bool dark);
    static TokSystem system(bool dark);
    static TokSurface surface(bool dark);

    TokLabel label() const { return label(dark()); }
    TokFill fill() const { return fill(dark()); }
    TokSystem system() const { return system(dark()); }
    TokSurface surface() const { return surface(dark()); }

signals:
    void changed();

private:
    bool dark() const;

    QPointer<Theme> m_theme;
};
