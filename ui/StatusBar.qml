import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// At most one row under the panes: what failed, what is missing, or what the capture found.
Rectangle {
    id: bar

    required property TranslatorViewState view
    readonly property PairDownload download: view.download
    readonly property bool offersDownload: view.offersDownload
    readonly property color tone: view.statusTone === "red" ? Tok.system.red
                                : view.statusTone === "orange" ? Tok.system.orange
                                : Tok.system.blue

    visible: bar.view.statusTone.length > 0
    implicitHeight: column.implicitHeight + 14
    radius: 6
    color: Qt.rgba(tone.r, tone.g, tone.b, 0.12)

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        anchors.topMargin: 7
        anchors.bottomMargin: 7
        spacing: 6

        RowLayout {
            spacing: 8

            IconButton {
                Layout.alignment: Qt.AlignTop
                implicitWidth: 16
                implicitHeight: 16
                enabled: false
                opacity: 1
                background: null
                iconName: bar.view.statusIcon
                iconSize: 14
                tint: bar.tone
            }
            Label {
                Layout.fillWidth: true
                text: bar.view.statusText
                font.pixelSize: 12
                color: Tok.label.primary
                wrapMode: Text.Wrap
            }
            Button {
                visible: bar.offersDownload && !bar.download.running
                text: qsTr("Download")
                font.pixelSize: 12
                padding: 4
                leftPadding: 10
                rightPadding: 10
                onClicked: bar.view.startDownload()
            }
            Label {
                visible: bar.offersDownload && bar.download.running
                text: bar.download.progress < 0 ? qsTr("Downloading…")
                                                : qsTr("Downloading… %1%").arg(bar.download.progress)
                font.pixelSize: 12
                color: Tok.label.secondary
            }
        }
        // Why the last download did not install, and what to run instead where nothing can.
        Label {
            Layout.fillWidth: true
            visible: bar.offersDownload && bar.download.message.length > 0
            text: bar.download.message
            font.pixelSize: 12
            color: Tok.system.red
            wrapMode: Text.Wrap
        }
        RowLayout {
            visible: bar.offersDownload && bar.download.command.length > 0
            spacing: 6

            TextEdit {
                id: command
                Layout.fillWidth: true
                text: bar.download.command
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
}
