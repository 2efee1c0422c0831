import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance

// One step of onboarding, laid out like every other: symbol, title, text, content, actions.
ColumnLayout {
    id: step

    property string iconName
    property string title
    property string text
    default property alias content: body.data
    property alias actions: actionRow.data

    spacing: 10

    IconButton {
        Layout.alignment: Qt.AlignHCenter
        implicitWidth: 44
        implicitHeight: 44
        enabled: false
        opacity: 1
        background: null
        iconName: step.iconName
        iconSize: 36
        tint: Tok.system.blue
        Accessible.ignored: true
    }
    Label {
        Layout.fillWidth: true
        text: step.title
        font.pixelSize: 22
        font.weight: Font.DemiBold
        color: Tok.label.primary
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
    }
    Label {
        Layout.fillWidth: true
        text: step.text
        font.pixelSize: 13
        color: Tok.label.secondary
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
    }
    ColumnLayout {
        id: body
        Layout.fillWidth: true
        Layout.topMargin: 6
        spacing: 10
    }
    RowLayout {
        id: actionRow
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 8
        spacing: 8
    }
}
