// sdl_window_system.h -- the desktop back end on SDL2: a window with an OpenGL compatibility context, the
// display's modes, fullscreen, the keyboard and window events, message boxes and the GTK display-mode dialog.
//
// How the desktop driver's steps map onto SDL:
//   choose pixel format   set the OpenGL attributes (RGBA sizes, depth, stencil, accumulation, double buffer,
//                         compatibility profile) and load the OpenGL library
//   set pixel format      create the OpenGL window (hidden until shown); a format the driver lacks is retried
//                         with the fallbacks of formatCandidates, as a desktop driver picks the closest one
//   create context        SDL_GL_CreateContext
//   make current          SDL_GL_MakeCurrent; then the window-system functions (wgl.h) are lent the swap
//                         interval (SDL_GL_SetSwapInterval), the OpenGL loader (SDL_GL_GetProcAddress) and
//                         contexts sharing objects with the window's, current on the window
// A display-mode change is checked against the display's list at once and applied with the window: it covers
// the display in that mode while shown, and SDL gives the desktop its mode back when it goes.
// Without a visible display (SDL's offscreen or dummy video driver) there is no dialog and message boxes are
// written to standard error; so they are in unattended runs.
#pragma once

#include <vector>

#include "platform/window_system.h"

struct SDL_Window;

namespace qv3rn::platform {

class SdlWindowSystem : public WindowSystem {
public:
    SdlWindowSystem() = default;
    ~SdlWindowSystem() override;

    const char* glExtensions() const override;
    void* getProcAddress(const char* name) const override;

    bool initialize() override;
    bool hasDesktop() const override;
    bool displayMode(int index, DisplayMode& mode) const override;
    bool changeDisplayMode(const DisplayMode& mode, bool matchRefreshRate) override;
    void restoreDisplayMode() override;
    void showCursor(bool visible) override;
    std::optional<ModeDialogResult> runModeDialog(const ModeDialogContent& content) override;
    void messageBox(const std::string& caption, const std::string& text, BoxIcon icon) override;

    bool createWindow(const WindowDesc& desc) override;
    bool choosePixelFormat(const PixelFormat& format) override;
    bool setPixelFormat() override;
    bool createContext() override;
    bool makeCurrent() override;
    void showWindow() override;
    void clientSize(int& width, int& height) const override;
    void swapBuffers() override;
    void releaseContext() override;
    void destroyWindow() override;

    bool pollEvent(Event& event) override;
    bool isEscapeDown() const override { return escapeDown_; }
    std::string lastErrorText() const override;

private:
    bool setAttributes(const PixelFormat& format);
    void* createSharedContext();  // for the window-system functions: shares objects with the current one
    void deleteSharedContext(void* context);

    bool initialized_ = false;
    bool libraryLoaded_ = false;
    WindowDesc desc_;
    bool hasDesc_ = false;
    PixelFormat format_;
    std::optional<int> fullscreenMode_;  // index of the display mode the window covers in fullscreen
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;  // SDL_GLContext
    std::vector<void*> sharedContexts_;
    bool escapeDown_ = false;
};

}  // namespace qv3rn::platform
