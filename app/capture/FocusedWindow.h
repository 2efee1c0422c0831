#pragma once

// The window that receives keystrokes now.
class FocusedWindow {
public:
    FocusedWindow() = default;
    virtual ~FocusedWindow() = default;
    FocusedWindow(const FocusedWindow&) = delete;
    FocusedWindow& operator=(const FocusedWindow&) = delete;

    // Whether it is a terminal emulator, where the copy keystroke interrupts the running
    // program instead of copying.
    virtual bool isTerminal() = 0;
};
