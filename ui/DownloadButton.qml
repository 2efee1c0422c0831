import QtQuick
import QtQuick.Controls
import Verdolin.Appearance
import Verdolin.Shell

// "Download", or how far the download got while it runs.
Item {
    id: control

    required property PairDownload download
    // Whether the running download is this one's.
    property bool mine: true

    signal start

    implicitWidth: download.running && mine ? progress.implicitWidth : button.implicitWidth
    implicitHeight: button.implicitHeight

    PushButton {
        id: button
        anchors.right: parent.right
        visible: !(control.download.running && control.mine)
        enabled: !control.download.running
        text: qsTr("Download")
        icon.name: "go-down"
        icon.source: Qt.resolvedUrl("icons/go-down.svg")
        icon.width: 12
        icon.height: 12
        icon.color: Tok.label.primary
        onClicked: control.start()
    }
    Label {
        id: progress
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        visible: control.download.running && control.mine
        text: control.download.progress < 0 ? qsTr("Downloading…")
                                            : qsTr("Downloading… %1%").arg(control.download.progress)
        font.pixelSize: 12
        color: Tok.label.secondary
    }
}
