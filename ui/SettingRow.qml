import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance

// A labelled row of a settings form: the label on the left, its controls on the right.
RowLayout {
    id: row

    property string label
    default property alias trailing: tail.data

    Layout.fillWidth: true
    spacing: 8

    Label {
        Layout.fillWidth: true
        text: row.label
        font.pixelSize: 13
        color: Tok.label.primary
        wrapMode: Text.Wrap
    }
    RowLayout {
        id: tail
        Layout.alignment: Qt.AlignVCenter | Qt.AlignRight
        spacing: 6
    }
}
