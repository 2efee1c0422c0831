import QtQuick
import QtQuick.Controls

// The product's one window. Made hidden; the window controller shows, places and hides it.
ApplicationWindow {
    id: window

    // While true, Escape belongs to the open menu, not to the window.
    property bool menuOpen: root.menuOpen

    title: "Verdolin"
    visible: false
    minimumWidth: 380
    minimumHeight: 420

    RootView {
        id: root
        anchors.fill: parent
    }
}
