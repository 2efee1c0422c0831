import QtQuick
import QtQuick.Controls
import Verdolin.Appearance
import Verdolin.Shell

// Opens the history under itself; a picked entry is translated again from Auto to Auto.
IconButton {
    id: button

    required property TranslatorViewState view
    readonly property bool menuOpen: popover.opened || list.confirmOpen

    iconName: "document-open-recent"
    help: qsTr("History")
    checkable: false
    onClicked: popover.opened ? popover.close() : popover.open()

    Popup {
        id: popover
        objectName: "historyPopover"
        y: button.height + 4
        x: Math.min(0, button.width - width)
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
                button.view.pickHistory(source);
                popover.close();
            }
        }
    }
}
