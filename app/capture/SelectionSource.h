#pragma once

#include <QString>

#include <optional>

// The text highlighted in the focused application, read without touching the clipboard.
class SelectionSource {
public:
    SelectionSource() = default;
    virtual ~SelectionSource() = default;
    SelectionSource(const SelectionSource&) = delete;
    SelectionSource& operator=(const SelectionSource&) = delete;

    // The selection as delivered; nothing when there is none, it is not text, or its owner
    // does not answer in time.
    virtual std::optional<QString> selectedText() = 0;
};
