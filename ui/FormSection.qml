import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance

// One group of a settings form: a heading, its rows on a card, and a note under the card.
ColumnLayout {
    id: section

    property string title
    property string footer
    default property alias rows: body.data

    Layout.fillWidth: true
    spacing: 5

    Label {
        Layout.leftMargin: 4
        visible: section.title.length > 0
        text: section.title
        font.pixelSize: 11
        font.weight: Font.DemiBold
        color: Tok.label.secondary
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: body.implicitHeight + 20
        radius: 8
        color: Tok.surface.controlFill
        border.color: Tok.surface.separator

        ColumnLayout {
            id: body
            anchors.fill: parent
            anchors.margins: 10
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            spacing: 10
        }
    }
    Label {
        Layout.fillWidth: true
        Layout.leftMargin: 4
        Layout.rightMargin: 4
        visible: section.footer.length > 0
        text: section.footer
        font.pixelSize: 11
        color: Tok.label.secondary
        wrapMode: Text.Wrap
    }
}
