// image_messages.h -- the message boxes of the image decoders, routed to whoever can show them.
#pragma once

#include <functional>
#include <string>

namespace qv3rn {

// Shows a decoder's box (caption and text, one OK button). The application connects its window system here;
// until then, and after setImageMessageHandler({}), the box goes to the log and to standard error as
// "caption: text" and never waits for anyone.
using ImageMessageHandler = std::function<void(const std::string& caption, const std::string& text)>;

void setImageMessageHandler(ImageMessageHandler handler);
void showImageMessage(const std::string& caption, const std::string& text);

}  // namespace qv3rn
