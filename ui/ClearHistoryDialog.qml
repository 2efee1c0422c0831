import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// Asks before the whole history goes.
Dialog {
    id: confirm

    required property HistoryModel history

    objectName: "confirmClear"
    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    palette.window: Tok.surface.window
    palette.base: Tok.surface.window
    palette.text: Tok.label.primary
    palette.windowText: Tok.label.primary
    palette.buttonText: Tok.label.primary
    palette.highlight: Tok.system.blue
    palette.highlightedText: "white"
    title: qsTr("Clear translation history?")

    Label {
        width: 260
        text: qsTr("This removes your entire translation history. This can’t be undone.")
        wrapMode: Text.Wrap
    }
    footer: RowLayout {
        spacing: 8

        Item {
            Layout.fillWidth: true
        }
        PushButton {
            Layout.bottomMargin: 12
            text: qsTr("Cancel")
            onClicked: confirm.close()
        }
        PushButton {
            objectName: "clearHistory"
            Layout.rightMargin: 12
            Layout.bottomMargin: 12
            text: qsTr("Clear history")
            palette.buttonText: Tok.system.red
            onClicked: {
                confirm.history.clear();
                confirm.close();
            }
        }
    }
}
