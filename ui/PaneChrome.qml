import QtQuick
import QtQuick.Layouts
import Verdolin.Appearance

// The card around a text pane: the pane, a hairline, and a footer 31 px high.
Item {
    id: chrome

    property bool focused
    default property alias content: holder.data
    property alias footer: footerHolder.data

    Rectangle {
        id: card
        anchors.fill: parent
        radius: 10
        color: Tok.fill.tertiary
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            id: holder
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.leftMargin: 10
            Layout.rightMargin: 10
            Layout.preferredHeight: 1
            color: Tok.surface.separator
        }
        Item {
            id: footerHolder
            Layout.fillWidth: true
            Layout.preferredHeight: 31
        }
    }

    // Drawn over the content, inside the card's edge.
    Rectangle {
        anchors.fill: parent
        radius: 10
        color: "transparent"
        border.width: chrome.focused ? 2 : 1
        border.color: chrome.focused ? Tok.surface.focusRing : Tok.surface.fieldBorder
    }
}
