// display_mode_dialog.h -- the logic of the display-mode dialog: the list of modes it offers, the "VideoModes"
// log section, and what the chosen entry and button do to the settings. The widgets are the platform's.
#pragma once

#include <functional>
#include <string>

#include "app/app_settings.h"
#include "platform/mode_dialog.h"
#include "platform/window_system.h"

namespace qv3rn {

class DisplayModeDialog {
public:
    // The index-th display mode; false past the last one.
    using ModeSource = std::function<bool(int index, platform::DisplayMode& mode)>;

    // What the dialog shows on opening: the caption and about text of the settings, and one entry
    // "%dx%d %d BPP (%d Hz)" per mode with more than 8 bits per pixel and a width of at least 640, in
    // enumeration order, each logged in the section "VideoModes"; the second entry is selected.
    static platform::ModeDialogContent open(const AppSettings& settings, const ModeSource& modes);

    // Applies the user's answer: for "Fullscreen" and "Windowed" (and the close box, which answers like
    // "Windowed") the chosen entry's width, height, bits and frequency go into the settings and `vsync` takes
    // the check box. Returns the command code (1 Fullscreen, 2 Windowed, 1005 Reboot).
    static int close(const platform::ModeDialogResult& result, AppSettings& settings, bool& vsync);

    static bool offers(const platform::DisplayMode& mode);
    static std::string entryText(const platform::DisplayMode& mode);
    // Reads an entry back; fields that do not parse keep 640, 480, 32 and 0.
    static platform::DisplayMode parseEntry(const std::string& text);
};

}  // namespace qv3rn
