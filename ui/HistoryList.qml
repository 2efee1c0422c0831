pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The remembered translations, newest first; a row translates its text again.
Item {
    id: historyList

    required property HistoryModel history
    readonly property bool confirmOpen: confirm.opened

    signal pick(string source)

    implicitWidth: 320
    implicitHeight: history.entries.length === 0 ? empty.implicitHeight + 60
                                                 : 300 + footer.implicitHeight + 1

    ColumnLayout {
        id: empty
        visible: historyList.history.entries.length === 0
        anchors.centerIn: parent
        spacing: 6

        IconButton {
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 24
            implicitHeight: 24
            enabled: false
            opacity: 1
            background: null
            iconName: "document-open-recent"
            iconSize: 22
            Accessible.ignored: true
        }
        Label {
            text: qsTr("No translations yet")
            font.pixelSize: 13
            color: Tok.label.secondary
        }
    }

    ColumnLayout {
        visible: historyList.history.entries.length > 0
        anchors.fill: parent
        spacing: 0

        ListView {
            id: rows
            objectName: "historyRows"
            Layout.fillWidth: true
            Layout.preferredHeight: 300
            clip: true
            model: historyList.history.entries
            ScrollBar.vertical: ScrollBar {}

            delegate: ItemDelegate {
                id: row

                required property var modelData

                width: ListView.view.width
                padding: 8
                background: Rectangle {
                    color: row.down ? Tok.fill.primary
                         : row.hovered ? Tok.surface.controlFill : "transparent"
                }
                Accessible.name: row.modelData.source + ", " + row.modelData.result
                onClicked: historyList.pick(row.modelData.source)

                contentItem: ColumnLayout {
                    spacing: 2

                    Label {
                        Layout.fillWidth: true
                        text: row.modelData.source
                        font.pixelSize: 13
                        color: Tok.label.primary
                        elide: Text.ElideRight
                        maximumLineCount: 2
                        wrapMode: Text.Wrap
                    }
                    Label {
                        Layout.fillWidth: true
                        text: row.modelData.result
                        font.pixelSize: 12
                        color: Tok.label.secondary
                        elide: Text.ElideRight
                        maximumLineCount: 2
                        wrapMode: Text.Wrap
                    }
                    Label {
                        text: row.modelData.from.toUpperCase() + " → " + row.modelData.to.toUpperCase()
                        font.pixelSize: 10
                        color: Tok.label.secondary
                    }
                }

                Rectangle {
                    anchors.bottom: parent.bottom
                    width: parent.width
                    height: 1
                    color: Tok.surface.separator
                }

                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: rowMenu.popup()
                }
                ThemedMenu {
                    id: rowMenu
                    MenuItem {
                        text: qsTr("Delete")
                        onTriggered: historyList.history.remove(row.modelData.id)
                    }
                }
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Tok.surface.separator
        }
        RowLayout {
            id: footer
            Layout.fillWidth: true
            Layout.margins: 4

            Item {
                Layout.fillWidth: true
            }
            PushButton {
                text: qsTr("Clear history…")
                palette.buttonText: Tok.system.blue
                flat: true
                font.pixelSize: 12
                onClicked: confirm.open()
            }
        }
    }

    ClearHistoryDialog {
        id: confirm
        history: historyList.history
    }
}
