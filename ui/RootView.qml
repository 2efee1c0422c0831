import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The window's content: the screen the route names. The translator has its own header; the
// other screens sit under a title bar with the main menu.
Page {
    id: root

    readonly property bool menuOpen: (mainMenu !== null && mainMenu.opened)
                                     || translatorScreen.menuOpen
    // Made on first use: start-up shows the window sooner without them.
    property MainMenu mainMenu: null

    background: Rectangle {
        color: Tok.surface.window
    }

    header: ToolBar {
        visible: AppModel.route !== AppModel.Translate
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 10

            Label {
                Layout.fillWidth: true
                text: root.title
                font.bold: true
                elide: Text.ElideRight
            }
            ToolButton {
                id: menuButton
                text: "\u2630"
                Accessible.name: qsTr("Main Menu")
                ToolTip.text: qsTr("Main Menu")
                ToolTip.visible: hovered
                onClicked: {
                    if (root.mainMenu === null)
                        root.mainMenu = mainMenuComponent.createObject(menuButton, {
                            "y": menuButton.height
                        });
                    root.mainMenu.open();
                }

                Component {
                    id: mainMenuComponent
                    MainMenu {}
                }
            }
        }
    }

    title: {
        switch (AppModel.route) {
        case AppModel.Settings:
            return qsTr("Settings");
        case AppModel.Onboarding:
            return qsTr("Welcome to Verdolin");
        default:
            return qsTr("Translator");
        }
    }

    // The translator stays made, so that its panes keep their state behind the other screens.
    TranslatorScreen {
        id: translatorScreen
        anchors.fill: parent
        visible: AppModel.route === AppModel.Translate
    }

    Placeholder {
        anchors.fill: parent
        visible: AppModel.route === AppModel.Settings
        text: qsTr("Settings will be here soon. Until then, Verdolin keeps its current choices.")
    }

    Placeholder {
        anchors.fill: parent
        visible: AppModel.route === AppModel.Onboarding
        text: qsTr("Select text in any application and press %1 to translate it.")
            .arg(AppModel.settings.hotKey.label)
        actionText: qsTr("Start Translating")
        onAction: {
            AppModel.settings.onboardingDone = true;
            AppModel.route = AppModel.Translate;
        }
    }

    // The window answers the shortcuts of the menus itself: a small window has no menu bar.
    Shortcut {
        sequence: "Ctrl+,"
        onActivated: AppModel.trigger(AppModel.OpenSettings)
    }
    Shortcut {
        sequence: "Ctrl+0"
        onActivated: AppModel.trigger(AppModel.OpenTranslator)
    }
    Shortcut {
        sequences: ["Ctrl+W", "Ctrl+H"]
        onActivated: AppModel.trigger(AppModel.HideWindow)
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: AppModel.trigger(AppModel.Quit)
    }
}
