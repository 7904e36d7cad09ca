// program_error.cpp -- the program error box: the installed window-system box, or standard error.
#include "shader/program_error.h"

#include <cstdio>  // Required for: stderr

#include "app/log.h"
#include "platform/window_system.h"

namespace qv3rn {

namespace {
ProgramErrorBox& installedBox() {
    static ProgramErrorBox box;
    return box;
}
}  // namespace

void setProgramErrorBox(ProgramErrorBox box) { installedBox() = std::move(box); }

void showProgramError(const std::string& caption, const std::string& text) {
    logger().writeLine(caption + ": " + text);
    if (installedBox())
        installedBox()(caption, text);
    else
        platform::writeMessageBox(stderr, caption, text);
}

}  // namespace qv3rn
