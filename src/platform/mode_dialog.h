// mode_dialog.h -- what the display-mode dialog shows and what the user chose in it (the widgets only; the
// list of modes, the filter and the reading of the chosen entry belong to the application shell).
#pragma once

#include <string>
#include <vector>

namespace qv3rn::platform {

// Command codes of the dialog's buttons; the window's close box answers like "Windowed".
enum ModeDialogCommand { kModeDialogFullscreen = 1, kModeDialogWindowed = 2, kModeDialogReboot = 1005 };

struct ModeDialogContent {
    std::string caption;
    std::string aboutText;
    std::vector<std::string> entries;  // the drop-down list, in order
    int selected = -1;                 // the entry selected on opening; -1 for none
};

struct ModeDialogResult {
    int command = kModeDialogWindowed;
    std::string selectedText;  // the text of the selected entry; empty when none is selected
    bool vsync = false;        // the "VSync" check box
};

// Whether GTK 3 could be brought up on the display (tried once per process).
bool gtkAvailable();
// Runs the modal dialog with GTK 3 until a button or the close box ends it. Only call when gtkAvailable().
ModeDialogResult runGtkModeDialog(const ModeDialogContent& content);

}  // namespace qv3rn::platform
