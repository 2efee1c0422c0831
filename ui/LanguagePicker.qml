import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Verdolin.Appearance
import Verdolin.Shell

// One of the two language pickers of the settings and of onboarding.
ComboBox {
    id: picker

    // The chosen language's code.
    property string value

    signal chosen(string code)

    // From the options themselves, so that the choice shows once they have loaded.
    function indexOf(code: string): int {
        const options = AppModel.languages.options;
        for (let i = 0; i < options.length; ++i) {
            if (options[i].code === code)
                return i;
        }
        return -1;
    }

    model: AppModel.languages.options
    textRole: "name"
    valueRole: "code"
    currentIndex: indexOf(value)
    implicitContentWidthPolicy: ComboBox.WidestText
    Layout.maximumWidth: 220
    onActivated: {
        chosen(currentValue);
        currentIndex = Qt.binding(() => indexOf(value));
    }
    popup.palette.window: Tok.surface.window
    popup.palette.base: Tok.surface.window
    popup.palette.text: Tok.label.primary
    popup.palette.windowText: Tok.label.primary
    popup.palette.buttonText: Tok.label.primary
    popup.palette.highlight: Tok.system.blue
    popup.palette.highlightedText: "white"
}
