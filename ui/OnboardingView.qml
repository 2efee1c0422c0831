pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The four steps a new user goes through before the translator: welcome, permission,
// languages, shortcut.
Item {
    id: view

    readonly property AppSettings settings: AppModel.settings
    readonly property PermissionWatcher permissions: AppModel.permissions
    readonly property int step: Math.min(AppModel.onboardingStep, 3)
    readonly property bool accessibility: permissions === null || permissions.accessibility
    readonly property bool menuOpen: view.pickersOpen
    property bool pickersOpen: false

    OnboardingState {
        id: onboarding
        app: AppModel
    }

    // The step's default button answers to Return.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: view.visible && !view.pickersOpen
        onActivated: {
            switch (view.step) {
            case 0:
                onboarding.goTo(1);
                break;
            case 1:
                if (view.accessibility)
                    onboarding.goTo(2);
                else
                    view.permissions.request();
                break;
            case 2:
                onboarding.goTo(3);
                break;
            default:
                onboarding.finish();
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 14
            Layout.rightMargin: 8
            Layout.topMargin: 8
            Layout.bottomMargin: 4
            spacing: 8

            Label {
                objectName: "progress"
                text: onboarding.progressText
                font.pixelSize: 11
                color: Tok.label.secondary
            }
            Row {
                spacing: 4
                Repeater {
                    model: 4
                    delegate: Rectangle {
                        required property int index
                        width: index === view.step ? 22 : 8
                        height: 6
                        radius: 3
                        color: index <= view.step ? Tok.system.blue : Tok.fill.primary
                    }
                }
            }
            Item {
                Layout.fillWidth: true
            }
            PushButton {
                objectName: "skip"
                text: qsTr("Skip setup")
                flat: true
                onClicked: onboarding.finish()
            }
        }

        ScrollView {
            id: scroll
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            StackLayout {
                id: steps
                x: 24
                width: scroll.availableWidth - 48
                currentIndex: view.step

                OnboardingStep {
                    iconName: "hand"
                    title: qsTr("Welcome to Verdolin")
                    text: qsTr("Select text anywhere and translate it instantly — fully offline.")

                    Repeater {
                        model: [
                            { "icon": "edit-select", "text": qsTr("Select text in ANY app, press one shortcut — done. No copying to another window.") },
                            { "icon": "changes-prevent", "text": qsTr("Translation is offline: nothing you translate ever leaves this computer. Only the update check uses the network (Settings → Updates → Never turns it off).") },
                            { "icon": "document-open-recent", "text": qsTr("Keeps a history and offline dictionaries, plus the command line and Ctrl+C twice") }
                        ]
                        delegate: RowLayout {
                            id: feature
                            required property var modelData
                            Layout.fillWidth: true
                            spacing: 8

                            IconButton {
                                Layout.alignment: Qt.AlignTop
                                implicitWidth: 20
                                implicitHeight: 18
                                enabled: false
                                opacity: 1
                                background: null
                                iconName: feature.modelData.icon
                                iconSize: 15
                                tint: Tok.system.blue
                                Accessible.ignored: true
                            }
                            Label {
                                Layout.fillWidth: true
                                text: feature.modelData.text
                                font.pixelSize: 12
                                color: Tok.label.primary
                                wrapMode: Text.Wrap
                            }
                        }
                    }

                    actions: PushButton {
                        objectName: "continue"
                        text: qsTr("Continue")
                        highlighted: true
                        onClicked: onboarding.goTo(1)
                    }
                }
                OnboardingStep {
                    iconName: "hand"
                    title: qsTr("Allow reading the selection")
                    text: qsTr("To translate what you select in any app, the desktop needs your permission (Accessibility). Nothing leaves your computer.")

                    StatusLabel {
                        Layout.alignment: Qt.AlignHCenter
                        Layout.fillWidth: false
                        visible: view.accessibility
                        text: qsTr("Allowed")
                    }

                    actions: [
                        PushButton {
                            visible: !view.accessibility
                            text: qsTr("Allow…")
                            highlighted: true
                            onClicked: view.permissions.request()
                        },
                        PushButton {
                            visible: !view.accessibility
                            text: qsTr("Later")
                            onClicked: onboarding.goTo(2)
                        },
                        PushButton {
                            objectName: "next"
                            visible: view.accessibility
                            text: qsTr("Next")
                            highlighted: true
                            onClicked: onboarding.goTo(2)
                        }
                    ]
                }
                OnboardingStep {
                    iconName: "preferences-desktop-locale"
                    title: qsTr("Your languages")
                    text: qsTr("Text in another language is translated into yours; text in yours goes into the second one.")

                    SettingRow {
                        label: qsTr("My language")

                        LanguagePicker {
                            id: myPicker
                            value: view.settings.myLanguage
                            onChosen: code => view.settings.chooseMyLanguage(code)
                            popup.onOpenedChanged: view.pickersOpen = popup.opened
                        }
                    }
                    SettingRow {
                        label: qsTr("Second language")

                        LanguagePicker {
                            value: view.settings.secondLanguage
                            onChosen: code => view.settings.chooseSecondLanguage(code)
                            popup.onOpenedChanged: view.pickersOpen = popup.opened
                        }
                    }
                    RowLayout {
                        objectName: "pairRow"
                        Layout.alignment: Qt.AlignHCenter
                        spacing: 8

                        BusyIndicator {
                            visible: onboarding.pairStatus === ""
                            running: visible
                            implicitWidth: 18
                            implicitHeight: 18
                        }
                        StatusLabel {
                            visible: onboarding.pairStatus === "installed"
                            text: qsTr("Offline translation is ready")
                        }
                        Label {
                            objectName: "pairVia"
                            visible: onboarding.pairVia.length > 0
                                     && onboarding.pairStatus !== "unsupported"
                            text: onboarding.pairVia
                            font.pixelSize: 12
                            color: Tok.label.secondary
                        }
                        Label {
                            visible: onboarding.pairStatus === "supported"
                            text: qsTr("Language pack not downloaded")
                            font.pixelSize: 12
                            color: Tok.label.primary
                        }
                        DownloadButton {
                            visible: onboarding.pairStatus === "supported"
                            download: onboarding.download
                            onStart: onboarding.startDownload()
                        }
                        StatusLabel {
                            visible: onboarding.pairStatus === "unsupported"
                            text: qsTr("This pair is not available offline")
                            iconName: "dialog-warning"
                            tone: Tok.system.orange
                        }
                    }
                    DownloadNote {
                        Layout.fillWidth: true
                        download: onboarding.download
                    }

                    actions: PushButton {
                        objectName: "next"
                        text: qsTr("Next")
                        highlighted: true
                        onClicked: onboarding.goTo(3)
                    }
                }
                OnboardingStep {
                    iconName: "input-keyboard"
                    title: qsTr("Your shortcut")
                    text: qsTr("Select text in any app and press it. The translation appears next to the cursor; Esc closes it.")

                    Item {
                        Layout.fillWidth: true
                        implicitHeight: keyBox.implicitHeight

                        Rectangle {
                            id: keyBox
                            anchors.horizontalCenter: parent.horizontalCenter
                            implicitWidth: keys.implicitWidth + 36
                            implicitHeight: keys.implicitHeight + 36
                            radius: 8
                            color: Tok.surface.controlFill

                            Label {
                                id: keys
                                objectName: "shortcutLabel"
                                anchors.centerIn: parent
                                text: view.settings.hotKey.label
                                font.pixelSize: 26
                                font.weight: Font.DemiBold
                                color: Tok.label.primary
                            }
                        }
                    }

                    actions: [
                        PushButton {
                            objectName: "change"
                            text: qsTr("Change…")
                            onClicked: onboarding.changeShortcut()
                        },
                        PushButton {
                            objectName: "done"
                            text: qsTr("Done")
                            highlighted: true
                            onClicked: onboarding.finish()
                        }
                    ]
                }
            }
        }
    }
}
