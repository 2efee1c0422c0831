import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A settings tab: its sections in a column that scrolls when the window is short.
ScrollView {
    id: page

    default property alias sections: column.data
    // Whether a menu or dialog of the page is open, so that Escape is theirs.
    property bool menuOpen: false

    contentWidth: availableWidth
    clip: true

    ColumnLayout {
        id: column
        x: 14
        width: page.availableWidth - 28
        spacing: 16

        Item {
            implicitHeight: 2
        }
    }
}
