pragma ComponentBehavior: Bound
import QtQml.Models
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// One side's language: the title shows the choice, the menu offers Auto and every language.
// Typing in the open menu jumps to the first language whose name begins with what was typed.
AbstractButton {
    id: control

    required property langChoice choice
    property string title
    // Auto decided on the title's language: a small "Auto" follows it.
    property bool detected
    property string accessibleName
    readonly property bool menuOpen: menu !== null && menu.opened
    // Made on first use: ~45 items each, which start-up need not wait for.
    property ThemedMenu menu: null

    signal chosen(string code)

    implicitHeight: 24
    implicitWidth: 150
    leftPadding: 8
    rightPadding: 8
    Accessible.role: Accessible.ButtonMenu
    Accessible.name: accessibleName + ": " + title
    onClicked: {
        if (control.menu === null)
            control.menu = menuComponent.createObject(control);
        control.menu.open();
    }

    background: Rectangle {
        radius: 6
        color: control.down || control.menuOpen ? Tok.fill.primary
             : control.hovered ? Tok.surface.controlFill : "transparent"
    }

    contentItem: RowLayout {
        spacing: 4

        Label {
            // Its own width unless that leaves no room for the caption and the chevron.
            Layout.maximumWidth: Math.max(20, control.availableWidth - 17 - (control.detected ? 30 : 0))
            text: control.title
            font.pixelSize: 13
            color: Tok.label.primary
            elide: Text.ElideRight
        }
        Label {
            visible: control.detected
            text: qsTr("Auto")
            font.pixelSize: 10
            color: Tok.label.secondary
        }
        Item {
            Layout.fillWidth: true
            Layout.preferredWidth: 0
        }
        // Only a picture: the clicks belong to the menu's button.
        IconButton {
            implicitWidth: 9
            implicitHeight: 12
            enabled: false
            opacity: 1
            iconName: "pan-up-down"
            iconSize: 9
            background: null
            Accessible.ignored: true
        }
    }

    Component {
        id: menuComponent

        ThemedMenu {
            id: picker

            property string typed

            // The first item after Auto and the divider whose text begins with `prefix`.
            function find(prefix) {
                const wanted = prefix.toLocaleLowerCase();
                for (let i = 2; i < count; ++i) {
                    const item = itemAt(i) as MenuItem;
                    if (item !== null && item.text.toLocaleLowerCase().startsWith(wanted))
                        return i;
                }
                return -1;
            }

            y: control.height
            onClosed: typed = ""

            contentItem: ListView {
                implicitHeight: contentHeight
                implicitWidth: 200
                model: picker.contentModel
                interactive: Window.window !== null
                             && contentHeight + picker.topPadding + picker.bottomPadding > Window.window.height
                clip: true
                currentIndex: picker.currentIndex
                focus: true
                ScrollIndicator.vertical: ScrollIndicator {}

                Keys.onPressed: event => {
                    if (event.text.length !== 1 || event.text.trim().length === 0
                            || (event.modifiers & (Qt.ControlModifier | Qt.AltModifier)) !== 0)
                        return;
                    typeahead.restart();
                    let index = picker.find(picker.typed + event.text);
                    if (index >= 0)
                        picker.typed += event.text;
                    else {
                        // A new first letter starts a new search.
                        picker.typed = event.text;
                        index = picker.find(picker.typed);
                    }
                    if (index >= 0) {
                        picker.currentIndex = index;
                        positionViewAtIndex(index, ListView.Contain);
                    }
                    event.accepted = true;
                }
            }

            Timer {
                id: typeahead
                interval: 1000
                onTriggered: picker.typed = ""
            }

            MenuItem {
                text: qsTr("Auto")
                checkable: true
                checked: control.choice.isAutomatic
                onTriggered: control.chosen("")
            }
            MenuSeparator {}

            Instantiator {
                model: AppModel.languages.options
                delegate: MenuItem {
                    id: option
                    required property var modelData
                    text: option.modelData.name
                    checkable: true
                    checked: !control.choice.isAutomatic && control.choice.code === option.modelData.code
                    onTriggered: control.chosen(option.modelData.code)
                }
                onObjectAdded: (index, object) => picker.insertItem(index + 2, object as MenuItem)
                onObjectRemoved: (index, object) => picker.removeItem(object as MenuItem)
            }
        }
    }
}
