import QtQuick
import QtQuick.Controls
import Verdolin.Shell

// The menu at the header's end: what a menu bar would hold.
ThemedMenu {
    width: Math.max(implicitWidth, 320)

    MenuItem {
        text: qsTr("About Verdolin")
        onTriggered: AppModel.trigger(AppModel.ShowAbout)
    }
    MenuItem {
        text: qsTr("Check for Updates…")
        visible: AppModel.updates !== null
        height: visible ? implicitHeight : 0
        onTriggered: AppModel.trigger(AppModel.CheckForUpdates)
    }
    MenuItem {
        text: qsTr("Support Verdolin…")
        onTriggered: AppModel.trigger(AppModel.OpenSupport)
    }
    MenuSeparator {}
    ShortcutMenuItem {
        text: qsTr("Settings…")
        shortcut: "Ctrl+,"
        onTriggered: AppModel.trigger(AppModel.OpenSettings)
    }
    MenuSeparator {}
    ShortcutMenuItem {
        text: qsTr("Translate Selection")
        shortcut: AppModel.settings.hotKey.label
        onTriggered: AppModel.trigger(AppModel.TranslateSelection)
    }
    MenuItem {
        text: qsTr("Translate Clipboard")
        onTriggered: AppModel.trigger(AppModel.TranslateClipboard)
    }
    ShortcutMenuItem {
        text: qsTr("Open Translator")
        shortcut: "Ctrl+0"
        onTriggered: AppModel.trigger(AppModel.OpenTranslator)
    }
    MenuSeparator {}
    ShortcutMenuItem {
        text: qsTr("Hide Verdolin")
        shortcut: "Ctrl+H"
        onTriggered: AppModel.trigger(AppModel.HideWindow)
    }
    ShortcutMenuItem {
        text: qsTr("Quit Verdolin")
        shortcut: "Ctrl+Q"
        onTriggered: AppModel.trigger(AppModel.Quit)
    }
}
