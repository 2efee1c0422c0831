import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The settings: a header with the way back and the tabs, then the chosen tab. A tab is made
// when it is shown and forgotten when it is left.
Item {
    id: view

    // Whether a menu or dialog of a tab is open, so that Escape is theirs.
    readonly property bool menuOpen: (tabLoader.item as SettingsPage)?.menuOpen === true

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 10
            Layout.bottomMargin: 10
            spacing: 10

            IconButton {
                objectName: "back"
                iconName: "go-previous"
                iconSize: 13
                help: qsTr("Back")
                onClicked: AppModel.route = AppModel.Translate
            }
            TabBar {
                id: tabs
                Layout.fillWidth: true
                currentIndex: AppModel.settingsTabIndex
                onCurrentIndexChanged: AppModel.settingsTabIndex = currentIndex
                background: null

                TabButton {
                    text: qsTr("General")
                    font.pixelSize: 12
                }
                TabButton {
                    text: qsTr("Translation")
                    font.pixelSize: 12
                }
                TabButton {
                    // A single & would mark a mnemonic.
                    text: qsTr("Shortcuts & access").replace("&", "&&")
                    font.pixelSize: 12
                }
            }
        }
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Tok.surface.separator
        }
        Loader {
            id: tabLoader
            Layout.fillWidth: true
            Layout.fillHeight: true
            active: view.visible
            // The tab bar's order: general, translation, shortcuts.
            sourceComponent: [generalTab, translationTab, shortcutsTab][tabs.currentIndex]
        }
    }

    Component {
        id: generalTab
        GeneralTab {}
    }
    Component {
        id: translationTab
        TranslationTab {}
    }
    Component {
        id: shortcutsTab
        ShortcutsTab {}
    }
}
