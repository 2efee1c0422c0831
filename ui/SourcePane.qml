import QtQuick
import QtQuick.Controls
import Verdolin.Appearance
import Verdolin.Shell

// The editable pane: the model's input, typed, pasted (as plain text) or captured.
Flickable {
    id: pane

    required property TranslatorModel model
    readonly property bool focused: area.activeFocus
    readonly property bool menuOpen: menu !== null && menu.opened
    readonly property TextArea area: area
    // Made on first use: start-up shows the window sooner without it.
    property TextPaneMenu menu: null

    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {}

    TextArea.flickable: TextArea {
        id: area
        objectName: "source"
        textFormat: TextEdit.PlainText
        wrapMode: TextEdit.Wrap
        selectByMouse: true
        persistentSelection: true
        leftPadding: 12
        rightPadding: 12
        topPadding: 10
        bottomPadding: 10
        font.pixelSize: 15
        color: Tok.label.primary
        placeholderText: qsTr("Type or paste text")
        placeholderTextColor: Tok.label.secondary
        selectionColor: Tok.system.blue
        selectedTextColor: "white"
        background: null
        Accessible.name: qsTr("Type or paste text")
        Accessible.description: placeholderText
        Component.onCompleted: {
            text = pane.model.input;
            forceActiveFocus();
        }
        // Composition by an input method is not input yet.
        function publish() {
            if (preeditText.length === 0 && text !== pane.model.input)
                pane.model.input = text;
        }
        onTextChanged: publish()
        onPreeditTextChanged: publish()
        TapHandler {
            acceptedButtons: Qt.RightButton
            onTapped: {
                if (pane.menu === null)
                    pane.menu = menuComponent.createObject(area, {
                        "target": area
                    });
                pane.menu.popup();
            }
        }
    }

    Component {
        id: menuComponent
        TextPaneMenu {}
    }

    Connections {
        target: pane.model
        // Never under a composition: it would be lost.
        function onInputChanged() {
            if (area.preeditText.length === 0 && area.text !== pane.model.input) {
                area.text = pane.model.input;
                area.cursorPosition = area.length;
                pane.contentY = 0;
            }
        }
        function onFocusTokenChanged() {
            area.forceActiveFocus();
        }
    }
}
