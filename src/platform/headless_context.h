// headless_context.h -- an OpenGL compatibility context without a display: EGL surfaceless platform + pbuffer (Mesa).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gl_driver.h"
#include "platform/wgl.h"

namespace qv3rn::platform {

struct ContextBits {
    int color = 32;
    int depth = 24;
    int stencil = 8;
};

class HeadlessContext : public GLDriver {
public:
    // Creates the context with a width × height pbuffer as its default framebuffer and makes it current.
    // Returns nullptr and fills `error` (when given) on failure.
    static std::unique_ptr<HeadlessContext> create(int width, int height, const ContextBits& bits = {},
                                                   std::string* error = nullptr);
    ~HeadlessContext() override;
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    bool makeCurrent();
    void releaseCurrent();
    void swapBuffers();  // finishes the frame: a pbuffer has nothing to present
    // GLDriver: "wgl*" names resolve to the platform's window-system functions, the rest through EGL.
    const char* glExtensions() const override;
    void* getProcAddress(const char* name) const override;

    // The window-system functions' view of this context: contexts they create share objects with it
    // and are owned by it. No swap control: a pbuffer is never presented.
    WindowSystemHooks windowSystemHooks();

    // A second context sharing objects with this one, drawing into its own pbuffer.
    std::unique_ptr<HeadlessContext> createShared(int width, int height, std::string* error = nullptr) const;

    int width() const { return width_; }
    int height() const { return height_; }

private:
    struct Egl;
    explicit HeadlessContext(std::unique_ptr<Egl> egl, int width, int height);
    std::unique_ptr<Egl> egl_;
    std::vector<std::unique_ptr<HeadlessContext>> sharedContexts_;  // made through the window-system hooks
    int width_;
    int height_;
};

}  // namespace qv3rn::platform
