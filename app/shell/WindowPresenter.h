#pragma once

#include <QString>

#include <optional>

// The product's one window as the triggers see it.
class WindowPresenter {
public:
    virtual ~WindowPresenter() = default;

    // Puts the window up: with `text` as new input when given, next to the pointer when
    // `nearMouse` (a global trigger, after which hiding gives the focus back).
    virtual void show(const std::optional<QString>& text, bool nearMouse) = 0;
    // Takes it down and gives the focus back to where the trigger came from.
    virtual void hide() = 0;
    // Shown, and the window with the keyboard focus.
    virtual bool isActive() const = 0;
};
