pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// Translation settings: the two languages, which languages work offline, and the dictionaries.
SettingsPage {
    id: tab

    readonly property AppSettings settings: AppModel.settings

    menuOpen: myPicker.popup.opened || secondPicker.popup.opened

    TranslationTabState {
        id: tabState
        app: AppModel
    }

    FormSection {
        footer: qsTr("Text in any other language is translated into your language; text in your language is translated into the second one.")

        SettingRow {
            label: qsTr("My language")

            LanguagePicker {
                id: myPicker
                objectName: "myLanguage"
                value: tab.settings.myLanguage
                onChosen: code => tab.settings.chooseMyLanguage(code)
            }
        }
        SettingRow {
            label: qsTr("Second language")

            LanguagePicker {
                id: secondPicker
                objectName: "secondLanguage"
                value: tab.settings.secondLanguage
                onChosen: code => tab.settings.chooseSecondLanguage(code)
            }
        }
    }

    FormSection {
        DisclosureRow {
            id: offline
            objectName: "offlineLanguages"
            text: qsTr("Offline languages: %1 downloaded").arg(tabState.downloadedCount)
        }
        Repeater {
            model: offline.expanded ? tabState.languageRows : []
            delegate: SettingRow {
                id: languageRow
                required property var modelData
                label: modelData.name

                Label {
                    objectName: "via"
                    visible: languageRow.modelData.via.length > 0
                            && languageRow.modelData.status !== "unsupported"
                    text: languageRow.modelData.via
                    font.pixelSize: 12
                    color: Tok.label.secondary
                }
                BusyIndicator {
                    visible: languageRow.modelData.status === ""
                    running: visible
                    implicitWidth: 18
                    implicitHeight: 18
                }
                StatusLabel {
                    visible: languageRow.modelData.status === "installed"
                    text: qsTr("Downloaded")
                }
                DownloadButton {
                    visible: languageRow.modelData.status === "supported"
                    download: tabState.download
                    mine: tabState.downloadCode === languageRow.modelData.code
                    onStart: tabState.downloadLanguage(languageRow.modelData.code)
                }
                Label {
                    visible: languageRow.modelData.status === "unsupported"
                    text: qsTr("Not available")
                    font.pixelSize: 12
                    color: Tok.label.secondary
                }
            }
        }
        DownloadNote {
            Layout.fillWidth: true
            download: tabState.download
        }
        PushButton {
            visible: tabState.softwareCentreName.length > 0
            text: qsTr("Manage in %1…").arg(tabState.softwareCentreName)
            onClicked: tabState.openSoftwareCentre()
        }
    }

    FormSection {
        title: qsTr("Dictionaries")
        footer: qsTr("Dictionaries work offline.")

        SwitchRow {
            label: qsTr("Show definitions for single words")
            value: tab.settings.showDefinitions
            onToggled: on => tab.settings.showDefinitions = on
        }
        ColumnLayout {
            visible: tab.settings.showDefinitions
            spacing: 2

            RadioButton {
                text: qsTr("All installed dictionaries")
                checked: !tab.settings.customDictionaries
                onClicked: tabState.setCustomDictionaries(false)
            }
            RadioButton {
                objectName: "chooseDictionaries"
                text: qsTr("Choose…")
                checked: tab.settings.customDictionaries
                onClicked: tabState.setCustomDictionaries(true)
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            visible: tab.settings.showDefinitions && tab.settings.customDictionaries
            spacing: 6

            TextField {
                Layout.fillWidth: true
                placeholderText: qsTr("Search")
                text: tabState.search
                onTextEdited: tabState.search = text
            }
            BusyIndicator {
                visible: tabState.dictionariesLoading
                running: visible
                implicitWidth: 18
                implicitHeight: 18
            }
            Label {
                Layout.fillWidth: true
                visible: tabState.dictionaryNote.length > 0
                text: tabState.dictionaryNote
                font.pixelSize: 12
                color: Tok.label.secondary
                wrapMode: Text.Wrap
            }
            Repeater {
                model: tabState.dictionaryRows
                delegate: SwitchRow {
                    required property var modelData
                    label: modelData.name
                    value: modelData.on
                    onToggled: on => tabState.toggle(modelData.id, on)
                }
            }
        }
    }

    FormSection {
        title: qsTr("Get more dictionaries")
        footer: qsTr("Dictionaries for your two languages that the package manager offers.")

        BusyIndicator {
            visible: tabState.packagesLoading
            running: visible
            implicitWidth: 18
            implicitHeight: 18
        }
        Label {
            Layout.fillWidth: true
            visible: !tabState.packagesLoading && tabState.packageRows.length === 0
            text: qsTr("The package manager offers no dictionaries for these languages.")
            font.pixelSize: 12
            color: Tok.label.secondary
            wrapMode: Text.Wrap
        }
        Repeater {
            model: tabState.packageRows
            delegate: SettingRow {
                id: packageRow
                required property var modelData
                label: modelData.title

                StatusLabel {
                    visible: packageRow.modelData.installed
                    text: qsTr("Downloaded")
                }
                DownloadButton {
                    visible: !packageRow.modelData.installed
                    download: tabState.packageDownload
                    mine: tabState.installingPackage === packageRow.modelData.name
                    onStart: tabState.installPackage(packageRow.modelData.name)
                }
            }
        }
        DownloadNote {
            Layout.fillWidth: true
            download: tabState.packageDownload
        }
    }

    Item {
        implicitHeight: 4
    }
}
