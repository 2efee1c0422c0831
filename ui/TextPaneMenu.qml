import QtQuick
import QtQuick.Controls

// The Edit menu of a text pane, as its context menu.
ThemedMenu {
    id: menu

    required property TextArea target

    MenuItem {
        text: qsTr("Undo")
        enabled: menu.target.canUndo
        onTriggered: menu.target.undo()
    }
    MenuItem {
        text: qsTr("Redo")
        enabled: menu.target.canRedo
        onTriggered: menu.target.redo()
    }
    MenuSeparator {}
    MenuItem {
        text: qsTr("Cut")
        enabled: !menu.target.readOnly && menu.target.selectedText.length > 0
        onTriggered: menu.target.cut()
    }
    MenuItem {
        text: qsTr("Copy")
        enabled: menu.target.selectedText.length > 0
        onTriggered: menu.target.copy()
    }
    MenuItem {
        text: qsTr("Paste")
        enabled: menu.target.canPaste
        onTriggered: menu.target.paste()
    }
    MenuSeparator {}
    MenuItem {
        text: qsTr("Select All")
        enabled: menu.target.length > 0
        onTriggered: menu.target.selectAll()
    }
}
