// app_settings.cpp -- the settings record and the about text.
#include "app/app_settings.h"

#include <utility>

namespace qv3rn {

const char* const aboutText =
    "QV3RN * 10\n"
    "a real-time demo by Dravinoke, 2004\n"
    "\n"
    "code, graphics, scenes and music: Dravinoke\n"
    "greetings to everyone who still writes their own engine\n"
    "\n"
    "Escape ends the show.";

AppSettings::AppSettings(std::string title, int width, int height, int colorBits, int depthBits,
                         int stencilBits, int accumBits, bool fullscreen, bool askDisplayMode)
    : title(std::move(title)),
      aboutText(qv3rn::aboutText),
      width(width),
      height(height),
      colorBits(colorBits),
      depthBits(depthBits),
      stencilBits(stencilBits),
      accumBits(accumBits),
      fullscreen(fullscreen),
      askDisplayMode(askDisplayMode) {}

}  // namespace qv3rn
