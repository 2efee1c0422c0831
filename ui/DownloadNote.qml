import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// Why the last download did not install, and what to run instead where nothing can.
ColumnLayout {
    id: note

    required property PairDownload download

    visible: download.message.length > 0
    spacing: 6

    Label {
        Layout.fillWidth: true
        text: note.download.message
        font.pixelSize: 12
        color: Tok.system.red
        wrapMode: Text.Wrap
    }
    RowLayout {
        visible: note.download.command.length > 0
        spacing: 6

        TextEdit {
            id: command
            Layout.fillWidth: true
            text: note.download.command
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            font.family: "monospace"
            font.pixelSize: 12
            color: Tok.label.primary
        }
        IconButton {
            iconName: "edit-copy"
            help: qsTr("Copy command")
            onClicked: {
                command.selectAll();
                command.copy();
                command.deselect();
            }
        }
    }
}
