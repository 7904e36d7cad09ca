// extensions.h -- the OpenGL and window-system extension registry: availability flags, entry points, the report.
//
// Every extension the engine knows has a flag named after it with the suffix _Flag (GL_ARB_multitexture_Flag),
// false until reportExtensions() finds it usable; every entry point has a pointer named exactly after it
// (glActiveTextureARB), null until fetched. Code in namespace qv3rn calls the pointers by their plain names.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <string_view>

#include "platform/gl_driver.h"
#include "platform/wgl.h"

namespace qv3rn {

#define QV3RN_KNOWN(flag, name, source, ...) extern bool flag;
#include "gl/extension_table.inc"
#undef QV3RN_KNOWN

#define QV3RN_ENTRY_POINT(name, type) extern type name;
#include "gl/entry_point_list.inc"
#undef QV3RN_ENTRY_POINT

// The 73 names the report checks, in order, separated by single spaces.
extern const char* const extensionReportList;

// True when `name` is a whole space-separated token of `extensions`; false for an empty name or one with a space.
bool hasToken(std::string_view extensions, std::string_view name);

// Checks one extension against the driver's strings, fetches its entry points and sets its flag.
bool loadExtension(const platform::GLDriver& driver, std::string_view name);

// Runs loadExtension over the report list, logging "SUCCESS"/"FAILED" per name, then the limit sections.
void reportExtensions(const platform::GLDriver& driver);

// Clears every flag and entry point (a new context, or a test starting afresh).
void resetExtensions();

}  // namespace qv3rn
