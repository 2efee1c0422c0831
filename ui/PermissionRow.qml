import QtQuick

// A permission Verdolin needs: "Allowed", or a button that asks for it.
SettingRow {
    id: row

    property bool granted

    signal request

    StatusLabel {
        visible: row.granted
        text: qsTr("Allowed")
    }
    PushButton {
        visible: !row.granted
        text: qsTr("Allow…")
        onClicked: row.request()
    }
}
