import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// The translator: both languages with the swap between them, the two panes, the status row.
Item {
    id: root

    required property TranslatorViewState view
    readonly property TranslatorModel model: AppModel.model
    readonly property SpeechService speech: AppModel.speech
    readonly property bool menuOpen: fromMenu.menuOpen || toMenu.menuOpen || source.menuOpen
                                     || result.menuOpen
    // The views at the header's right end.
    default property alias trailing: trailingRow.data

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            LanguageMenu {
                id: fromMenu
                objectName: "fromMenu"
                Layout.fillWidth: true
                Layout.maximumWidth: 150
                Layout.minimumWidth: 70
                choice: root.model.fromChoice
                title: root.view.sourceTitle
                detected: root.view.sourceDetected
                accessibleName: qsTr("Translate from")
                onChosen: code => root.view.chooseSource(code)
            }
            IconButton {
                objectName: "swap"
                iconName: "swap"
                help: qsTr("Swap languages")
                enabled: root.view.canSwap
                onClicked: root.model.swapLanguages()
            }
            LanguageMenu {
                id: toMenu
                objectName: "toMenu"
                Layout.fillWidth: true
                Layout.maximumWidth: 150
                Layout.minimumWidth: 70
                choice: root.model.toChoice
                title: root.view.targetTitle
                detected: root.view.targetDetected
                accessibleName: qsTr("Translate to")
                onChosen: code => root.view.chooseTarget(code)
            }
            Item {
                Layout.fillWidth: true
            }
            RowLayout {
                id: trailingRow
                spacing: 2
            }
        }

        // Two halves of equal height.
        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 8

            PaneChrome {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.preferredHeight: 1
                focused: source.focused

                SourcePane {
                    id: source
                    anchors.fill: parent
                    model: root.model
                }

                footer: RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 12
                    anchors.rightMargin: 6
                    spacing: 4

                    Label {
                        visible: root.view.detectedName.length > 0
                        text: qsTr("Detected: ") + root.view.detectedName
                        font.pixelSize: 11
                        color: Tok.label.secondary
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                    IconButton {
                        objectName: "clear"
                        visible: root.model.input.length > 0
                        iconName: "edit-clear"
                        help: qsTr("Clear")
                        onClicked: root.model.clear()
                    }
                }
            }

            PaneChrome {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.preferredHeight: 1

                ResultPane {
                    id: result
                    anchors.fill: parent
                    model: root.model
                    placeholder: root.view.resultPlaceholder
                }

                footer: RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 12
                    anchors.rightMargin: 6
                    spacing: 2

                    Label {
                        objectName: "via"
                        Layout.fillWidth: true
                        // Says that the result came through a third language.
                        text: root.model.result.length > 0 ? root.model.via : ""
                        elide: Text.ElideRight
                        font.pixelSize: 12
                        color: Tok.label.secondary
                    }
                    IconButton {
                        objectName: "speak"
                        visible: root.model.result.length > 0
                        iconName: root.speech.isSpeaking ? "media-playback-stop" : "audio-volume-high"
                        help: qsTr("Speak")
                        onClicked: root.model.speak()
                    }
                    IconButton {
                        objectName: "copy"
                        visible: root.model.result.length > 0
                        iconName: root.view.copied ? "object-select" : "edit-copy"
                        help: root.view.copied ? qsTr("Copied") : qsTr("Copy translation")
                        onClicked: root.view.copy()
                    }
                }
            }
        }

        StatusBar {
            Layout.fillWidth: true
            view: root.view
        }
    }
}
