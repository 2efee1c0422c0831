import QtQuick
import QtQuick.Controls

// A push button that assistive technologies can also press: Qt 6.4 announces the press action
// of a button but does nothing when it is invoked.
Button {
    Accessible.onPressAction: clicked()
}
