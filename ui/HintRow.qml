import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// At most one hint above the translator: the missing permission, else the support nudge.
Rectangle {
    id: hint

    readonly property AppSettings settings: AppModel.settings
    readonly property PermissionWatcher permissions: AppModel.permissions
    readonly property bool showPermission: permissions !== null && !permissions.accessibility
                                           && (!settings.setupDismissed || permissions.needsAttention)
    readonly property bool showSupport: !showPermission && settings.showSupportNudge
    readonly property color tone: showPermission ? Tok.system.orange : Tok.system.blue

    visible: showPermission || showSupport
    implicitHeight: row.implicitHeight + 12
    color: Qt.rgba(tone.r, tone.g, tone.b, 0.12)

    HoverHandler {
        id: hover
    }
    ToolTip.text: qsTr("Checked automatically")
    ToolTip.visible: showPermission && hover.hovered
    ToolTip.delay: 800

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 6
        anchors.bottomMargin: 6
        spacing: 8

        IconButton {
            implicitWidth: 16
            enabled: false
            opacity: 1
            background: null
            iconName: hint.showPermission ? "hand" : "emblem-favorite"
            tint: hint.tone
            Accessible.ignored: true
        }
        Label {
            Layout.fillWidth: true
            text: hint.showPermission ? qsTr("Allow Accessibility to translate selections")
                                      : qsTr("Enjoying Verdolin? Support the project")
            font.pixelSize: 12
            font.weight: hint.showPermission ? Font.Normal : Font.Medium
            color: Tok.label.primary
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 10
            elide: Text.ElideRight
        }
        PushButton {
            visible: hint.showPermission
            text: hint.permissions !== null && hint.permissions.wasGranted
                  ? qsTr("Reset and ask again") : qsTr("Allow…")
            font.pixelSize: 12
            padding: 3
            onClicked: {
                if (hint.permissions.wasGranted)
                    hint.permissions.resetAndRequest();
                else
                    hint.permissions.request();
            }
        }
        IconButton {
            visible: hint.showPermission
            iconName: "window-close"
            iconSize: 10
            help: qsTr("Not now")
            onClicked: {
                hint.settings.setupDismissed = true;
                hint.permissions.needsAttention = false;
                hint.permissions.wasGranted = false;
            }
        }
        PushButton {
            visible: hint.showSupport
            text: qsTr("Support")
            font.pixelSize: 12
            padding: 3
            Accessible.description: qsTr("Opens the support page in your browser")
            onClicked: {
                AppModel.trigger(AppModel.OpenSupport);
                hint.settings.finishSupportNudge();
            }
        }
        PushButton {
            visible: hint.showSupport
            text: qsTr("Don’t show again")
            flat: true
            font.pixelSize: 12
            padding: 3
            onClicked: hint.settings.finishSupportNudge()
        }
    }
}
