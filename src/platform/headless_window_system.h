// headless_window_system.h -- the back end without a display: the window is an EGL pbuffer of the window's size
// on Mesa's software renderer, there is no dialog, and message boxes are written to standard error.
//
// Events: only the ones the program posts itself, and a close request when the process gets SIGINT or
// SIGTERM (a second signal ends the process at once). There are no display modes to switch to and no swap
// interval, so the window-system extension string carries no WGL_EXT_swap_control.
#pragma once

#include <memory>
#include <vector>

#include "platform/headless_context.h"
#include "platform/window_system.h"

namespace qv3rn::platform {

class HeadlessWindowSystem : public WindowSystem {
public:
    HeadlessWindowSystem() = default;
    ~HeadlessWindowSystem() override;

    const char* glExtensions() const override;
    void* getProcAddress(const char* name) const override;

    bool initialize() override;
    bool hasDesktop() const override { return false; }
    bool displayMode(int index, DisplayMode& mode) const override;
    bool changeDisplayMode(const DisplayMode& mode, bool matchRefreshRate) override;
    void restoreDisplayMode() override {}
    void showCursor(bool) override {}
    std::optional<ModeDialogResult> runModeDialog(const ModeDialogContent& content) override;
    void messageBox(const std::string& caption, const std::string& text, BoxIcon icon) override;

    bool createWindow(const WindowDesc& desc) override;
    bool choosePixelFormat(const PixelFormat& format) override;
    bool setPixelFormat() override;
    bool createContext() override;
    bool makeCurrent() override;
    void showWindow() override {}
    void clientSize(int& width, int& height) const override;
    void swapBuffers() override;
    void releaseContext() override;
    void destroyWindow() override;

    bool pollEvent(Event& event) override;
    bool isEscapeDown() const override { return false; }
    std::string lastErrorText() const override { return lastError_; }

    // The format the context was made with (one of the candidates of the request).
    const PixelFormat& contextFormat() const { return contextFormat_; }

private:
    void restoreSignals();
    void* createSharedContext();  // for the window-system functions: shares objects with the window's
    bool makeContextCurrent(void* context);
    void deleteSharedContext(void* context);

    WindowDesc window_;
    bool hasWindow_ = false;
    bool formatSet_ = false;
    PixelFormat format_;
    PixelFormat contextFormat_;
    std::unique_ptr<HeadlessContext> context_;
    std::vector<std::unique_ptr<HeadlessContext>> sharedContexts_;  // each draws into a pbuffer of its own
    HeadlessContext* current_ = nullptr;
    std::string lastError_;
    bool signalsInstalled_ = false;
};

}  // namespace qv3rn::platform
