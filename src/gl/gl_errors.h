// gl_errors.h -- the log text of each OpenGL error code, as written by the frame loop's error check.
#pragma once

namespace qv3rn {

// The words after the time in an error line: "GL_INVALID_ENUM - An unacceptable value ..." for the six
// codes OpenGL 1.x defines, "- UNKNOWN OPENGL ERROR ENUM" for any other.
const char* glErrorText(unsigned code);

}  // namespace qv3rn
