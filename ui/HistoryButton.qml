import QtQuick
import Verdolin.Shell

// Opens and closes the history popover.
IconButton {
    id: button

    required property TranslatorViewState view
    readonly property bool menuOpen: popover !== null && (popover.opened || popover.confirmOpen)
    // Made on first use: start-up need not wait for the list.
    property HistoryPopover popover: null

    objectName: "history"
    iconName: "document-open-recent"
    help: qsTr("History")
    onClicked: {
        if (popover === null)
            popover = popoverComponent.createObject(button, {
                "view": button.view,
                "y": button.height + 4
            });
        if (popover.opened)
            popover.close();
        else {
            popover.x = Math.min(0, button.width - popover.width);
            popover.open();
        }
    }

    Component {
        id: popoverComponent
        HistoryPopover {}
    }
}
