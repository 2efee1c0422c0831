import QtQuick
import QtQuick.Controls
import Verdolin.Appearance
import Verdolin.Shell

// The read-only pane: the translation, then the dictionary entries, in one selectable text.
Flickable {
    id: pane

    required property TranslatorModel model
    property string placeholder
    readonly property bool menuOpen: menu !== null && menu.opened
    readonly property TextArea area: area
    property TextPaneMenu menu: null
    // What the area shows, as built; its own text reads back rewritten.
    property string shown

    function refresh() {
        const html = PaneStyle.attributed(pane.model.result, pane.model.entries,
                                          Tok.label.secondary);
        if (html === shown)
            return;
        const old = pane.contentY;
        shown = html;
        area.text = html;
        pane.contentY = PaneStyle.preservedOffset(old, pane.contentHeight, pane.height);
    }

    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {}
    Component.onCompleted: refresh()

    TextArea.flickable: TextArea {
        id: area
        objectName: "result"
        textFormat: TextEdit.RichText
        wrapMode: TextEdit.Wrap
        readOnly: true
        selectByMouse: true
        persistentSelection: true
        leftPadding: 12
        rightPadding: 12
        topPadding: 10
        bottomPadding: 10
        font.pixelSize: 15
        color: Tok.label.primary
        placeholderText: pane.placeholder
        placeholderTextColor: Tok.label.secondary
        selectionColor: Tok.system.blue
        selectedTextColor: "white"
        background: null
        Accessible.name: qsTr("Translation")
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
        function onResultChanged() {
            pane.refresh();
        }
        function onEntriesChanged() {
            pane.refresh();
        }
    }
    Connections {
        target: Tok
        function onChanged() {
            pane.refresh();
        }
    }
}
