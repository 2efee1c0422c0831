import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Shell

// The translator: what to translate above, its translation below.
Item {
    id: content

    readonly property TranslatorModel model: AppModel.model
    readonly property bool menuOpen: (sourceMenu !== null && sourceMenu.opened)
                                     || (resultMenu !== null && resultMenu.opened)
    // Made on first use: start-up shows the window sooner without them.
    property TextPaneMenu sourceMenu: null
    property TextPaneMenu resultMenu: null

    Component {
        id: paneMenu
        TextPaneMenu {}
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 8

        Label {
            Layout.fillWidth: true
            visible: text.length > 0
            text: content.model.noticeText
            wrapMode: Text.Wrap
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            background: Rectangle {
                color: content.palette.base
                border.color: content.palette.mid
                radius: 3
            }

            TextArea {
                id: source
                objectName: "source"
                textFormat: TextEdit.PlainText
                wrapMode: TextEdit.Wrap
                selectByMouse: true
                placeholderText: qsTr("Type or paste text")
                Accessible.name: qsTr("Type or paste text")
                Component.onCompleted: {
                    text = content.model.input;
                    forceActiveFocus();
                }
                // An input method's composition is not input yet.
                onTextChanged: {
                    if (preeditText.length === 0 && text !== content.model.input)
                        content.model.input = text;
                }
                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: {
                        if (content.sourceMenu === null)
                            content.sourceMenu = paneMenu.createObject(source, {
                                "target": source
                            });
                        content.sourceMenu.popup();
                    }
                }
            }
        }

        ScrollView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            background: Rectangle {
                color: content.palette.base
                border.color: content.palette.mid
                radius: 3
            }

            TextArea {
                id: result
                objectName: "result"
                textFormat: TextEdit.PlainText
                wrapMode: TextEdit.Wrap
                readOnly: true
                selectByMouse: true
                text: content.model.result
                Accessible.name: qsTr("Translation")
                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: {
                        if (content.resultMenu === null)
                            content.resultMenu = paneMenu.createObject(result, {
                                "target": result
                            });
                        content.resultMenu.popup();
                    }
                }
            }
        }
    }

    Connections {
        target: content.model
        function onInputChanged() {
            if (source.preeditText.length === 0 && source.text !== content.model.input)
                source.text = content.model.input;
        }
        function onFocusTokenChanged() {
            source.forceActiveFocus();
        }
    }
}
