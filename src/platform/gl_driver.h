// gl_driver.h -- what the extension registry asks of the OpenGL driver; each window back end provides one.
#pragma once

namespace qv3rn::platform {

class GLDriver {
public:
    virtual ~GLDriver() = default;
    // The OpenGL extension string of the current context (glGetString(GL_EXTENSIONS)), never null.
    virtual const char* glExtensions() const = 0;
    // An entry point by name: OpenGL functions through the back end's loader, and the window-system
    // functions ("wglGetExtensionsStringARB", "wglSwapIntervalEXT", ...) from the platform layer's own
    // implementations of them; null when neither knows the name.
    virtual void* getProcAddress(const char* name) const = 0;
};

}  // namespace qv3rn::platform
