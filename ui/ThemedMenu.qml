import QtQuick
import QtQuick.Controls
import Verdolin.Appearance

// A menu in the screen's colours, which follow the appearance even while the menu exists.
Menu {
    palette.window: Tok.surface.window
    palette.base: Tok.surface.window
    palette.button: Tok.surface.window
    palette.text: Tok.label.primary
    palette.windowText: Tok.label.primary
    palette.buttonText: Tok.label.primary
    palette.highlight: Tok.system.blue
    palette.highlightedText: "white"
    palette.mid: Tok.surface.separator
    palette.dark: Tok.surface.separator
    palette.shadow: Tok.fill.primary
}
