import QtQuick
import QtQuick.Controls
import Verdolin.Appearance
import Verdolin.Shell

// The history under its button; a picked entry is translated again from Auto to Auto.
Popup {
    id: popover

    required property TranslatorViewState view
    readonly property bool confirmOpen: list.confirmOpen

    objectName: "historyPopover"
    padding: 0
    focus: true
    palette.window: Tok.surface.window
    palette.base: Tok.surface.window
    palette.button: Tok.surface.controlFill
    palette.text: Tok.label.primary
    palette.windowText: Tok.label.primary
    palette.buttonText: Tok.label.primary
    palette.highlight: Tok.system.blue
    palette.highlightedText: "white"

    background: Rectangle {
        radius: 8
        color: Tok.surface.window
        border.color: Tok.surface.separator
    }

    HistoryList {
        id: list
        history: AppModel.history
        onPick: source => {
            popover.view.pickHistory(source);
            popover.close();
        }
    }
}
