import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// What the updater has to say, over whichever screen is shown: an offer, its download and
// installation, or the answer to a check the user asked for.
Dialog {
    id: dialog

    required property Updater updater
    readonly property int stage: updater ? updater.stage : Updater.Idle
    readonly property bool busy: stage === Updater.Checking || stage === Updater.Downloading
                                 || stage === Updater.Installing

    objectName: "updateDialog"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(380, parent ? parent.width - 32 : 380)
    modal: true
    visible: stage !== Updater.Idle
    closePolicy: Popup.NoAutoClose
    palette.window: Tok.surface.window
    palette.base: Tok.surface.window
    palette.text: Tok.label.primary
    palette.windowText: Tok.label.primary
    palette.buttonText: Tok.label.primary
    palette.highlight: Tok.system.blue
    palette.highlightedText: "white"
    title: {
        switch (stage) {
        case Updater.Checking:
            return qsTr("Checking for updates…");
        case Updater.UpToDate:
            return qsTr("You’re up to date");
        case Updater.Available:
            return qsTr("A new version of Verdolin is available");
        case Updater.Downloading:
            return qsTr("Downloading Verdolin %1…").arg(updater.offeredVersion);
        case Updater.Installing:
            return qsTr("Installing Verdolin %1…").arg(updater.offeredVersion);
        case Updater.Installed:
            return qsTr("Update installed");
        case Updater.Failed:
            return qsTr("Update failed");
        }
        return "";
    }

    ColumnLayout {
        width: parent.width
        spacing: 10

        Label {
            objectName: "updateMessage"
            Layout.fillWidth: true
            visible: text.length > 0
            wrapMode: Text.Wrap
            text: {
                if (!dialog.updater)
                    return "";
                switch (dialog.stage) {
                case Updater.UpToDate:
                    return qsTr("Verdolin %1 is the newest version available.").arg(dialog.updater.currentVersion);
                case Updater.Available:
                    return qsTr("Verdolin %1 is available — you have %2. Would you like to install it now?").arg(dialog.updater.offeredVersion).arg(dialog.updater.currentVersion);
                case Updater.Installing:
                    return qsTr("Your system asks for your password to install it.");
                case Updater.Installed:
                case Updater.Failed:
                    return dialog.updater.message;
                }
                return "";
            }
        }
        Label {
            visible: dialog.stage === Updater.Available && String(dialog.updater?.releaseNotes ?? "").length > 0
            text: "<a href=\"%1\">%2</a>".arg(dialog.updater?.releaseNotes ?? "").arg(qsTr("Release notes"))
            textFormat: Text.StyledText
            linkColor: Tok.system.blue
            onLinkActivated: link => Qt.openUrlExternally(link)
        }
        CheckBox {
            objectName: "installAutomatically"
            visible: dialog.stage === Updater.Available
            text: qsTr("Install updates automatically")
            checked: dialog.updater?.automaticallyDownloadsUpdates ?? false
            onToggled: {
                dialog.updater.automaticallyDownloadsUpdates = checked;
                checked = Qt.binding(() => dialog.updater?.automaticallyDownloadsUpdates ?? false);
            }
        }
        ProgressBar {
            Layout.fillWidth: true
            visible: dialog.busy
            indeterminate: dialog.stage !== Updater.Downloading
            from: 0
            to: 100
            value: dialog.updater?.progress ?? 0
        }
    }

    footer: RowLayout {
        spacing: 8

        Item {
            Layout.fillWidth: true
        }
        PushButton {
            Layout.bottomMargin: 12
            visible: dialog.stage === Updater.Available || dialog.stage === Updater.Checking
                     || dialog.stage === Updater.Downloading
            text: dialog.stage === Updater.Available ? qsTr("Later") : qsTr("Cancel")
            onClicked: dialog.updater.later()
        }
        PushButton {
            objectName: "installUpdate"
            Layout.rightMargin: 12
            Layout.bottomMargin: 12
            visible: dialog.stage === Updater.Available
            text: qsTr("Install")
            highlighted: true
            onClicked: dialog.updater.install()
        }
        PushButton {
            Layout.rightMargin: 12
            Layout.bottomMargin: 12
            visible: dialog.stage === Updater.UpToDate || dialog.stage === Updater.Installed
                     || dialog.stage === Updater.Failed
            text: qsTr("OK")
            highlighted: true
            onClicked: dialog.updater.dismiss()
        }
    }
}
