import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance

// A short state in words with its icon, in one colour: "Downloaded", "Allowed".
RowLayout {
    id: status

    property string text
    property string iconName: "object-select"
    property color tone: Tok.system.green

    spacing: 4

    IconButton {
        implicitWidth: 16
        implicitHeight: 16
        enabled: false
        opacity: 1
        background: null
        iconName: status.iconName
        iconSize: 13
        tint: status.tone
        Accessible.ignored: true
    }
    Label {
        text: status.text
        font.pixelSize: 12
        color: status.tone
    }
}
