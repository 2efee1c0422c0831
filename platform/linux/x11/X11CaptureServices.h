#pragma once

#include "app/capture/SelectionCapture.h"

#include <QByteArray>

#include <memory>

class ClipboardOwner;

// The capture's services on one X display (empty name: DISPLAY). Restored clipboards are served
// by `owner`, which has to live as long as they should.
namespace X11CaptureServices {

SelectionCapture::Services make(const QByteArray& displayName,
                                std::shared_ptr<ClipboardOwner> owner);

} // namespace X11CaptureServices
