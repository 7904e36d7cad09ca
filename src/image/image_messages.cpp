// image_messages.cpp -- the decoders' message-box hook and its unattended default.
#include "image/image_messages.h"

#include <cstdio>  // Required for: stderr
#include <utility>

#include "app/log.h"
#include "platform/window_system.h"

namespace qv3rn {

namespace {
ImageMessageHandler& currentHandler() {
    static ImageMessageHandler handler;
    return handler;
}
}  // namespace

void setImageMessageHandler(ImageMessageHandler handler) { currentHandler() = std::move(handler); }

void showImageMessage(const std::string& caption, const std::string& text) {
    if (const ImageMessageHandler& handler = currentHandler()) {
        handler(caption, text);
        return;
    }
    logger().writeLine(caption + ": " + text);
    platform::writeMessageBox(stderr, caption, text);
}

}  // namespace qv3rn
