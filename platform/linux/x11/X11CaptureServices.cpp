#include "platform/linux/x11/X11CaptureServices.h"

#include "platform/linux/x11/ClipboardOwner.h"
#include "platform/linux/x11/PrimarySelectionReader.h"
#include "platform/linux/x11/TerminalDetector.h"
#include "platform/linux/x11/X11KeyboardEvents.h"
#include "platform/linux/x11/X11Pasteboard.h"
#include "platform/linux/x11/X11PermissionProbe.h"

namespace X11CaptureServices {

SelectionCapture::Services make(const QByteArray& displayName,
                                std::shared_ptr<ClipboardOwner> owner) {
    SelectionCapture::Services services;
    services.permissions = std::make_shared<X11PermissionProbe>(displayName);
    services.keyboard = std::make_shared<X11KeyboardEvents>(displayName);
    services.selection = std::make_shared<PrimarySelectionReader>(displayName);
    services.focusedWindow = std::make_shared<TerminalDetector>(displayName);
    services.pasteboard = std::make_shared<X11Pasteboard>(displayName, std::move(owner));
    return services;
}

} // namespace X11CaptureServices
