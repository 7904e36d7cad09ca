// app_settings.h -- the start-up settings of the application: window, pixel format and display-mode choices.
#pragma once

#include <string>

namespace qv3rn {

// The program's about text, shown in the display-mode dialog; the default of every AppSettings.
extern const char* const aboutText;

struct AppSettings {
    AppSettings(std::string title, int width, int height, int colorBits, int depthBits, int stencilBits,
                int accumBits, bool fullscreen, bool askDisplayMode);

    std::string title;      // window title; also the caption of the display-mode dialog
    std::string aboutText;  // multi-line text of the display-mode dialog
    int width;              // client size of the window, and the fullscreen resolution
    int height;
    int colorBits;          // colour bits of the pixel format; in fullscreen the display mode's bits per pixel
    int depthBits;
    int stencilBits;
    int accumBits;
    int refreshRate = -1;   // Hz for fullscreen; -1: the driver's default frequency
    bool fullscreen;
    bool askDisplayMode;    // show the display-mode dialog before creating the window
    std::string logPath = "application.log";  // the diagnostic log, truncated at start
};

}  // namespace qv3rn
