import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The global shortcut and its recorder, what Verdolin may do on this display, and double copy.
SettingsPage {
    id: tab

    readonly property AppSettings settings: AppModel.settings
    readonly property PermissionWatcher permissions: AppModel.permissions
    readonly property bool windowActive: Window.active

    // Leaving the window ends recording: the keys pressed elsewhere are not ours.
    onWindowActiveChanged: {
        if (!windowActive)
            recorder.stop();
    }
    Component.onCompleted: {
        if (permissions !== null)
            permissions.refresh();
    }
    Component.onDestruction: recorder.stop()

    ShortcutRecorder {
        id: recorder
    }

    FormSection {
        title: qsTr("Shortcut")
        footer: qsTr("Select text in any app and press it. Must include Ctrl or Alt, so it never clashes with app menus.")

        SettingRow {
            label: qsTr("Translate selection")

            PushButton {
                objectName: "recorder"
                text: recorder.recording ? qsTr("Press the keys…") : recorder.label
                font.pixelSize: 14
                font.weight: Font.Medium
                highlighted: recorder.recording
                onClicked: recorder.toggle()
            }
            PushButton {
                visible: recorder.recording
                text: qsTr("Cancel")
                onClicked: recorder.stop()
            }
            PushButton {
                visible: recorder.canReset
                text: qsTr("Reset")
                onClicked: recorder.reset()
            }
        }
        Label {
            objectName: "recorderMessage"
            Layout.fillWidth: true
            visible: text.length > 0
            text: recorder.message
            font.pixelSize: 12
            color: Tok.system.orange
            wrapMode: Text.Wrap
        }
    }

    FormSection {
        title: qsTr("Access")
        footer: qsTr("Lets the shortcut copy the text you selected. Nothing leaves your computer.")

        PermissionRow {
            label: qsTr("Accessibility")
            granted: tab.permissions !== null && tab.permissions.accessibility
            onRequest: tab.permissions.request()
        }
    }

    FormSection {
        title: qsTr("Advanced")
        footer: qsTr("Off by default: any two Ctrl+C presses in a row open the translator.")

        SwitchRow {
            objectName: "doubleCopy"
            label: qsTr("Also translate when Ctrl+C is pressed twice")
            value: tab.settings.doubleCopy
            onToggled: on => tab.settings.doubleCopy = on
        }
        PermissionRow {
            visible: tab.settings.doubleCopy
            label: qsTr("Input Monitoring")
            granted: tab.permissions !== null && tab.permissions.inputMonitoring
            onRequest: tab.permissions.request()
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            IconButton {
                Layout.alignment: Qt.AlignTop
                implicitWidth: 16
                implicitHeight: 16
                enabled: false
                opacity: 1
                background: null
                iconName: "dialog-information"
                Accessible.ignored: true
            }
            TextEdit {
                Layout.fillWidth: true
                text: qsTr("Any program can send text to Verdolin: verdolin --translate-text TEXT, or the D-Bus method com.korvane.Verdolin.TranslateText.")
                readOnly: true
                selectByMouse: true
                wrapMode: TextEdit.Wrap
                font.pixelSize: 12
                color: Tok.label.primary
            }
        }
    }

    Item {
        implicitHeight: 4
    }
}
