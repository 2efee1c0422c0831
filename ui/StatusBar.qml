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
                Accessible.ignored: true
            }
            Label {
                Layout.fillWidth: true
                text: bar.view.statusText
                font.pixelSize: 12
                color: Tok.label.primary
                wrapMode: Text.Wrap
            }
            DownloadButton {
                visible: bar.offersDownload
                download: bar.download
                onStart: bar.view.startDownload()
            }
        }
        DownloadNote {
            Layout.fillWidth: true
            download: bar.download
            visible: bar.offersDownload && bar.download.message.length > 0
        }
    }
}
