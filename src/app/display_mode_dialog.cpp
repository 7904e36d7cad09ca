// display_mode_dialog.cpp -- the mode list, its log section and the reading of the chosen entry.
#include "app/display_mode_dialog.h"

#include <cstdio>

#include "core/log.h"

namespace qv3rn {

bool DisplayModeDialog::offers(const platform::DisplayMode& mode) {
    return mode.bitsPerPixel > 8 && mode.width >= 640;
}

std::string DisplayModeDialog::entryText(const platform::DisplayMode& mode) {
    char text[96];
    std::snprintf(text, sizeof text, "%dx%d %d BPP (%d Hz)", mode.width, mode.height, mode.bitsPerPixel,
                  mode.refreshRate);
    return text;
}

platform::DisplayMode DisplayModeDialog::parseEntry(const std::string& text) {
    platform::DisplayMode mode{640, 480, 32, 0};
    std::sscanf(text.c_str(), "%d %*c %d %d %*s %*c %d", &mode.width, &mode.height, &mode.bitsPerPixel,
                &mode.refreshRate);
    return mode;
}

platform::ModeDialogContent DisplayModeDialog::open(const AppSettings& settings, const ModeSource& modes) {
    platform::ModeDialogContent content;
    content.caption = settings.title;
    content.aboutText = settings.aboutText;
    Log& log = logger();
    log.beginSection("VideoModes");
    platform::DisplayMode mode;
    for (int index = 0; modes(index, mode); ++index) {
        if (!offers(mode)) continue;
        content.entries.push_back(entryText(mode));
        log.printf("%dx%dx%d %d Hz", mode.width, mode.height, mode.bitsPerPixel, mode.refreshRate);
    }
    content.selected = content.entries.size() > 1 ? 1 : -1;
    log.endSection("VideoModes");
    return content;
}

int DisplayModeDialog::close(const platform::ModeDialogResult& result, AppSettings& settings, bool& vsync) {
    if (result.command == platform::kModeDialogReboot) return platform::kModeDialogReboot;
    const int command = result.command == platform::kModeDialogFullscreen ? platform::kModeDialogFullscreen
                                                                          : platform::kModeDialogWindowed;
    vsync = result.vsync;
    const platform::DisplayMode chosen = parseEntry(result.selectedText);
    settings.width = chosen.width;
    settings.height = chosen.height;
    settings.colorBits = chosen.bitsPerPixel;
    settings.refreshRate = chosen.refreshRate;
    return command;
}

}  // namespace qv3rn
