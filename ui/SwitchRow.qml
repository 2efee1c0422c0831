import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance

// A setting that is on or off. The switch shows `value`; a click only asks for the change, so
// that a refused change flips it back.
RowLayout {
    id: row

    property string label
    property bool value

    signal toggled(bool on)

    Layout.fillWidth: true
    spacing: 8

    Label {
        Layout.fillWidth: true
        text: row.label
        font.pixelSize: 13
        color: Tok.label.primary
        opacity: row.enabled ? 1 : 0.5
        wrapMode: Text.Wrap
    }
    Switch {
        id: control
        checked: row.value
        Accessible.name: row.label
        onToggled: {
            row.toggled(checked);
            checked = Qt.binding(() => row.value);
        }
    }
}
