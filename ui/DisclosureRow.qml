import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance

// A row that opens and closes the block under it.
AbstractButton {
    id: row

    property bool expanded

    Layout.fillWidth: true
    implicitHeight: implicitContentHeight + 6
    hoverEnabled: true
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: expanded ? qsTr("Expanded") : qsTr("Collapsed")
    onClicked: expanded = !expanded

    contentItem: RowLayout {
        spacing: 6

        Label {
            Layout.fillWidth: true
            text: row.text
            font.pixelSize: 13
            color: Tok.label.primary
            wrapMode: Text.Wrap
        }
        IconButton {
            implicitWidth: 16
            enabled: false
            opacity: 1
            background: null
            iconName: "go-next"
            iconSize: 12
            rotation: row.expanded ? 90 : 0
            Accessible.ignored: true

            Behavior on rotation {
                NumberAnimation {
                    duration: 150
                    easing.type: Easing.InOutQuad
                }
            }
        }
    }
    background: Rectangle {
        radius: 4
        color: row.hovered ? Tok.fill.tertiary : "transparent"
    }
}
