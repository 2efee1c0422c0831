pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// General settings: updates, the window, history, appearance, the interface language, support.
SettingsPage {
    id: tab

    readonly property AppSettings settings: AppModel.settings

    menuOpen: confirm.opened || language.popup.opened || updatesSection.popupOpen

    GeneralTabState {
        id: tabState
        app: AppModel
    }

    UpdatesSection {
        id: updatesSection
    }

    FormSection {
        title: qsTr("Window")
        footer: qsTr("At least one of taskbar or system tray must stay on.")

        SwitchRow {
            label: qsTr("Keep the window on top")
            value: tab.settings.keepOnTop
            onToggled: on => tab.settings.keepOnTop = on
        }
        SwitchRow {
            objectName: "openAtLogin"
            label: qsTr("Open at login")
            value: tabState.loginEnabled
            onToggled: on => tabState.setLogin(on)
        }
        Label {
            Layout.fillWidth: true
            visible: tabState.loginError.length > 0
            text: tabState.loginError
            font.pixelSize: 12
            color: Tok.system.orange
            wrapMode: Text.Wrap
        }
        SwitchRow {
            objectName: "showInTaskbar"
            label: qsTr("Show in taskbar")
            value: tab.settings.showInDock
            enabled: tabState.canChangeTaskbar
            onToggled: on => tab.settings.showInDock = on
        }
        SwitchRow {
            objectName: "showInTray"
            label: qsTr("Show in system tray")
            value: tab.settings.showInMenuBar
            enabled: tabState.canChangeTray
            onToggled: on => tab.settings.showInMenuBar = on
        }
        Label {
            Layout.fillWidth: true
            visible: !AppModel.trayAvailable
            text: qsTr("This desktop shows no system tray, so the icon cannot appear.")
            font.pixelSize: 12
            color: Tok.label.secondary
            wrapMode: Text.Wrap
        }
    }

    FormSection {
        title: qsTr("History")

        SwitchRow {
            label: qsTr("Save translation history")
            value: tab.settings.saveHistory
            onToggled: on => tab.settings.saveHistory = on
        }
        PushButton {
            objectName: "clearHistoryButton"
            text: qsTr("Clear history…")
            palette.buttonText: Tok.system.red
            enabled: AppModel.history.entries.length > 0
            opacity: enabled ? 1 : 0.5
            onClicked: confirm.open()
        }
    }

    FormSection {
        SettingRow {
            label: qsTr("Appearance")

            Repeater {
                model: [
                    { "text": qsTr("Auto"), "value": "system" },
                    { "text": qsTr("Light"), "value": "light" },
                    { "text": qsTr("Dark"), "value": "dark" }
                ]
                delegate: PushButton {
                    id: choice
                    required property var modelData
                    text: choice.modelData.text
                    checkable: true
                    checked: tab.settings.appearanceMode === choice.modelData.value
                    highlighted: checked
                    onClicked: {
                        tab.settings.appearanceMode = choice.modelData.value;
                        checked = Qt.binding(() => tab.settings.appearanceMode === choice.modelData.value);
                    }
                }
            }
        }
    }

    FormSection {
        footer: qsTr("Takes effect after restarting the app.")

        SettingRow {
            label: qsTr("App language")

            ComboBox {
                id: language
                objectName: "appLanguage"
                textRole: "text"
                valueRole: "value"
                model: [
                    { "text": qsTr("System"), "value": "system" },
                    { "text": "English", "value": "en" },
                    { "text": "Русский", "value": "ru" }
                ]
                // By the codes themselves: indexOfValue answers -1 until the model is in place.
                readonly property var codes: ["system", "en", "ru"]
                currentIndex: Math.max(0, language.codes.indexOf(tab.settings.interfaceLanguage))
                onActivated: {
                    tab.settings.interfaceLanguage = currentValue;
                    currentIndex = Qt.binding(() => Math.max(0, language.codes.indexOf(tab.settings.interfaceLanguage)));
                }
            }
        }
    }

    FormSection {
        PushButton {
            text: qsTr("Support Verdolin…")
            ToolTip.text: qsTr("Opens %1 in your browser").arg("verdolin.korvane.com/support")
            ToolTip.visible: hovered
            ToolTip.delay: 600
            onClicked: AppModel.trigger(AppModel.OpenSupport)
        }
    }

    Item {
        implicitHeight: 4
    }

    ClearHistoryDialog {
        id: confirm
        history: AppModel.history
    }
}
