import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A screen that is not built yet: one line, and a way on when there is one.
Item {
    id: placeholder

    property alias text: line.text
    property string actionText

    signal action

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 40, 360)
        spacing: 16

        Label {
            id: line
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }
        Button {
            Layout.alignment: Qt.AlignHCenter
            visible: placeholder.actionText.length > 0
            text: placeholder.actionText
            highlighted: true
            onClicked: placeholder.action()
        }
    }
}
