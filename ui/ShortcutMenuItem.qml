import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A menu row with its keyboard shortcut at the trailing end, as the desktop's menus show it.
MenuItem {
    id: item

    property string shortcut

    contentItem: RowLayout {
        spacing: 24

        Label {
            Layout.fillWidth: true
            text: item.text
            font: item.font
            color: item.palette.windowText
            elide: Text.ElideRight
        }
        Label {
            text: item.shortcut
            font: item.font
            color: item.palette.placeholderText
        }
    }
}
