import QtQuick
import QtQuick.Controls
import Verdolin.Appearance

// A borderless icon button. The desktop theme's icon when it has one, else our own; the help
// text is also what a screen reader says.
ToolButton {
    id: button

    // A freedesktop icon name, and the file under icons/ for a theme without it.
    property string iconName
    property string fallback: iconName
    property string help
    property real iconSize: 13
    property color tint: Tok.label.secondary

    implicitWidth: 26
    implicitHeight: 22
    padding: 0
    flat: true
    focusPolicy: Qt.TabFocus
    display: AbstractButton.IconOnly
    icon.name: iconName
    icon.source: Qt.resolvedUrl("icons/" + fallback + ".svg")
    icon.width: iconSize
    icon.height: iconSize
    icon.color: tint
    opacity: enabled ? 1 : 0.4
    Accessible.name: help
    // Qt 6.4 announces the press action but does nothing when it is invoked.
    Accessible.onPressAction: clicked()
    ToolTip.text: help
    ToolTip.visible: hovered && help.length > 0
    ToolTip.delay: 600
}
