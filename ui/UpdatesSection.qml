import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The general tab's first block: the version, the last check, how often to look and whether
// to install on its own.
FormSection {
    id: section

    readonly property AppSettings settings: AppModel.settings
    readonly property UpdateController updates: AppModel.updates
    readonly property bool popupOpen: info.opened

    title: qsTr("Updates")

    RowLayout {
        Layout.fillWidth: true
        spacing: 8

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Label {
                objectName: "version"
                text: qsTr("Verdolin %1").arg(AppModel.version)
                font.pixelSize: 13
                color: Tok.label.primary
            }
            Label {
                objectName: "lastChecked"
                visible: section.updates !== null
                text: section.updates?.lastCheckedText ?? ""
                font.pixelSize: 12
                color: Tok.label.secondary
            }
        }
        Item {
            Layout.fillWidth: true
        }
        PushButton {
            objectName: "checkNow"
            visible: section.updates !== null
            text: qsTr("Check Now")
            enabled: section.updates?.canCheck ?? false
            Accessible.description: qsTr("Looks for a new version of Verdolin now")
            onClicked: section.updates.checkForUpdates()
        }
    }

    SettingRow {
        label: qsTr("Check for updates")

        ComboBox {
            id: frequency
            objectName: "updateFrequency"
            textRole: "text"
            valueRole: "value"
            model: [
                { "text": qsTr("Daily"), "value": "daily" },
                { "text": qsTr("Weekly"), "value": "weekly" },
                { "text": qsTr("Monthly"), "value": "monthly" },
                { "text": qsTr("Never"), "value": "never" }
            ]
            // By the names themselves: indexOfValue answers -1 until the model is in place.
            readonly property var names: ["daily", "weekly", "monthly", "never"]
            currentIndex: frequency.names.indexOf(section.settings.updateFrequencyName)
            onActivated: {
                section.settings.updateFrequencyName = currentValue;
                currentIndex = Qt.binding(() => frequency.names.indexOf(section.settings.updateFrequencyName));
            }
        }
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 4

        SwitchRow {
            objectName: "autoInstall"
            label: qsTr("Install updates automatically")
            value: section.settings.autoInstallUpdates
            enabled: section.settings.updateFrequencyName !== "never"
            onToggled: on => section.settings.autoInstallUpdates = on
        }
        IconButton {
            iconName: "dialog-information"
            help: qsTr("How updates work")
            onClicked: info.open()

            Popup {
                id: info
                y: parent.height + 4
                x: parent.width - width
                padding: 14
                background: Rectangle {
                    color: Tok.surface.window
                    border.color: Tok.surface.separator
                    radius: 8
                }

                Label {
                    width: 280
                    text: qsTr("Verdolin looks for updates on %1. Automatic installation applies new versions the next time you quit Verdolin; major updates still ask first. Choose Never to turn the check off.").arg(section.updates?.serverHost ?? "verdolin.korvane.com")
                    wrapMode: Text.Wrap
                    color: Tok.label.primary
                    font.pixelSize: 12
                }
            }
        }
    }
}
