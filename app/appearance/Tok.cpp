#include "app/appearance/Tok.h"

#include "app/appearance/Theme.h"

namespace {

struct Rgba {
    float r, g, b, a;
};

// The components as written, not rounded to eighths of a byte.
QColor pick(bool dark, Rgba light, Rgba night) {
    const Rgba& c = dark ? night : light;
    return QColor::fromRgbF(c.r, c.g, c.b, c.a);
}

} // namespace

Tok::Tok(Theme& theme, QObject* parent)
    : QObject(parent)
    , m_theme(&theme) {
    connect(&theme, &Theme::darkChanged, this, &Tok::changed);
}

Tok* Tok::create(QQmlEngine* engine, QJSEngine*) {
    // One per engine, owned by it.
    return new Tok(Theme::shared(), engine);
}

bool Tok::dark() const {
    return m_theme && m_theme->dark();
}

TokLabel Tok::label(bool dark) {
    return {pick(dark, {0, 0, 0, 0.85f}, {1, 1, 1, 1}),
            pick(dark, {0, 0, 0, 0.6f}, {1, 1, 1, 0.55f})};
}

TokFill Tok::fill(bool dark) {
    return {pick(dark, {0, 0, 0, 0.1f}, {1, 1, 1, 0.1f}),
            pick(dark, {0, 0, 0, 0.05f}, {1, 1, 1, 0.05f})};
}

TokSystem Tok::system(bool dark) {
    return {pick(dark, {1.0f, 0.2196f, 0.2353f, 1}, {1.0f, 0.2588f, 0.2706f, 1}),
            pick(dark, {0.7216f, 0.1882f, 0, 1}, {1.0f, 0.5725f, 0.1882f, 1}),
            pick(dark, {0.1059f, 0.4549f, 0.1961f, 1}, {0.1882f, 0.8196f, 0.3451f, 1}),
            pick(dark, {0, 0.5333f, 1, 1}, {0, 0.5686f, 1, 1})};
}

TokSurface Tok::surface(bool dark) {
    return {pick(dark, {1, 1, 1, 1}, {0.1176f, 0.1176f, 0.1176f, 1}),
            pick(dark, {0.2353f, 0.2353f, 0.2627f, 0.29f}, {1, 1, 1, 0.1f}),
            pick(dark, {0, 0, 0, 0.05f}, {1, 1, 1, 0.04f}),
            pick(dark, {0, 0, 0, 0.08f}, {1, 1, 1, 0.07f}),
            pick(dark, {0, 0.5333f, 1, 0.25f}, {0, 0.5333f, 1, 0.25f})};
}
