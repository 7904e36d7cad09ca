// program_error.h -- how a GPU program that the driver refused is shown to the user.
#pragma once

#include <functional>
#include <string>

namespace qv3rn {

// Shows a compile error of a GPU program ("VERTEX PROGRAM" or "FRAGMENT PROGRAM" and the driver's error text).
using ProgramErrorBox = std::function<void(const std::string& caption, const std::string& text)>;

// The application installs a box that goes through its window system's message box; an empty function puts
// the default back. The box must not block an unattended run.
void setProgramErrorBox(ProgramErrorBox box);

// Logs the error ("caption: text") and shows it through the installed box, or on standard error when none is
// installed. Never waits for the user.
void showProgramError(const std::string& caption, const std::string& text);

}  // namespace qv3rn
