import QtQuick
import QtQuick.Controls
import Verdolin.Appearance
import Verdolin.Shell

// The window's content: the screen the route names.
Page {
    id: root

    readonly property bool menuOpen: translatorScreen.menuOpen
                                     || (settingsLoader.item as SettingsView)?.menuOpen === true
                                     || (onboardingLoader.item as OnboardingView)?.menuOpen === true
                                     || updateDialog.visible

    background: Rectangle {
        color: Tok.surface.window
    }

    // The translator stays made, so that its panes keep their state behind the other screens.
    TranslatorScreen {
        id: translatorScreen
        anchors.fill: parent
        visible: AppModel.route === AppModel.Translate
    }

    // The other screens are made when first shown: most starts never show them.
    Loader {
        id: settingsLoader
        anchors.fill: parent
        active: AppModel.route === AppModel.Settings
        visible: active
        sourceComponent: SettingsView {}
    }

    Loader {
        id: onboardingLoader
        anchors.fill: parent
        active: AppModel.route === AppModel.Onboarding
        visible: active
        sourceComponent: OnboardingView {}
    }

    UpdateDialog {
        id: updateDialog
        updater: AppModel.updates?.updater ?? null
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
