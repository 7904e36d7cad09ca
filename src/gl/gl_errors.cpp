// gl_errors.cpp -- the table of OpenGL error codes and their log texts.
#include "gl/gl_errors.h"

namespace qv3rn {

namespace {

struct ErrorText {
    unsigned code;
    const char* text;
};

constexpr ErrorText errorTexts[] = {
    {0x0500, "GL_INVALID_ENUM - An unacceptable value is specified for an enumerated argument. The offending "
             "function is ignored, having no side effect other than to set the error flag."},
    {0x0501, "GL_INVALID_VALUE - A numeric argument is out of range. The offending function is ignored, having "
             "no side effect other than to set the error flag."},
    {0x0502, "GL_INVALID_OPERATION - The specified operation is not allowed in the current state. The offending "
             "function is ignored, having no side effect other than to set the error flag."},
    {0x0503, "GL_STACK_OVERFLOW - This function would cause a stack overflow. The offending function is ignored, "
             "having no side effect other than to set the error flag."},
    {0x0504, "GL_STACK_UNDERFLOW - This function would cause a stack underflow. The offending function is "
             "ignored, having no side effect other than to set the error flag."},
    {0x0505, "GL_OUT_OF_MEMORY - There is not enough memory left to execute the function. The state of OpenGL "
             "is undefined, except for the state of the error flags, after this error is recorded."},
};

}  // namespace

const char* glErrorText(unsigned code) {
    for (const ErrorText& entry : errorTexts)
        if (entry.code == code) return entry.text;
    return "- UNKNOWN OPENGL ERROR ENUM";
}

}  // namespace qv3rn
