import QtQuick
import QtQuick.Layouts
import Verdolin.Shell

// The translator with the hint row above it and, in its header, the pin, the history, the
// settings and the main menu.
Item {
    id: screen

    readonly property bool menuOpen: translator.menuOpen || history.menuOpen
                                     || (mainMenu !== null && mainMenu.opened)
    readonly property TranslatorViewState view: viewState
    // Made on first use: start-up shows the window sooner without it.
    property MainMenu mainMenu: null

    TranslatorViewState {
        id: viewState
        app: AppModel
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        HintRow {
            Layout.fillWidth: true
        }

        TranslatorView {
            id: translator
            Layout.fillWidth: true
            Layout.fillHeight: true
            view: viewState

            IconButton {
                objectName: "pin"
                iconName: AppModel.settings.keepOnTop ? "view-pin" : "view-pin-off"
                help: AppModel.settings.keepOnTop ? qsTr("Pinned above all windows — click to unpin")
                                                  : qsTr("Click to keep the window above all others")
                Accessible.name: qsTr("Keep on top")
                onClicked: AppModel.settings.keepOnTop = !AppModel.settings.keepOnTop
            }
            HistoryButton {
                id: history
                view: viewState
            }
            IconButton {
                objectName: "settings"
                iconName: "preferences-system"
                help: qsTr("Settings")
                onClicked: AppModel.trigger(AppModel.OpenSettings)
            }
            IconButton {
                id: menuButton
                iconName: "open-menu"
                help: qsTr("Main Menu")
                onClicked: {
                    if (screen.mainMenu === null)
                        screen.mainMenu = mainMenuComponent.createObject(menuButton, {
                            "y": menuButton.height
                        });
                    screen.mainMenu.open();
                }

                Component {
                    id: mainMenuComponent
                    MainMenu {}
                }
            }
        }
    }
}
