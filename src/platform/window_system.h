// window_system.h -- the window system as the application shell sees it: one window with its OpenGL context,
// the display modes, the event queue, message boxes, the display-mode dialog and the frame clock.
//
// Two back ends implement it: the desktop one on SDL2 (sdl_window_system.h) and the headless one on an EGL
// pbuffer (headless_window_system.h). The shell calls the operations in the order of its start-up:
// initialize, [displayMode / runModeDialog], [changeDisplayMode], createWindow, choosePixelFormat,
// setPixelFormat, createContext, makeCurrent, showWindow, then pollEvent / swapBuffers per frame, and
// releaseContext, destroyWindow at the end.
#pragma once

#include <cstdint>
#include <cstdio>  // Required for: FILE
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/gl_driver.h"
#include "platform/mode_dialog.h"

namespace qv3rn::platform {

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int refreshRate = 0;  // Hz; 0 when the system does not know it
};

// The framebuffer the shell asks for: RGBA and double buffered, with these bit counts. Back ends give the
// closest format they have (see pixel_format.h), as a desktop driver's format chooser does.
struct PixelFormat {
    int colorBits = 32;
    int depthBits = 24;
    int stencilBits = 0;
    int accumBits = 0;
};

struct WindowDesc {
    std::string title;
    int width = 640;  // client area
    int height = 480;
    bool fullscreen = false;  // covers the display in the mode set by changeDisplayMode
    bool atOrigin = false;    // placed at (0, 0) instead of where the window manager likes
};

enum class EventType {
    Resize,     // the client area is now width × height
    Close,      // the user (or the program) asks the window to close
    Character,  // a key that types a character was pressed; `key` is its code (27 for Escape)
    Quit,       // the event loop is over
};

struct Event {
    EventType type = EventType::Close;
    int width = 0;
    int height = 0;
    int key = 0;
    int exitCode = 0;  // of Quit
};

enum class BoxIcon { Information, Exclamation, Error };

class WindowSystem : public GLDriver {
public:
    ~WindowSystem() override = default;

    // Brings up the window system; false when it is not there (start-up then ends silently).
    virtual bool initialize() = 0;
    // Whether a user sees the windows: dialogs and message boxes need one. The headless back end has none.
    virtual bool hasDesktop() const = 0;

    // The index-th display mode of the main display; false past the last one.
    virtual bool displayMode(int index, DisplayMode& mode) const = 0;
    // Selects the fullscreen mode for the window; the refresh rate counts only when `matchRefreshRate`.
    virtual bool changeDisplayMode(const DisplayMode& mode, bool matchRefreshRate) = 0;
    virtual void restoreDisplayMode() = 0;
    virtual void showCursor(bool visible) = 0;

    // The modal display-mode dialog; nothing when it cannot be shown (no desktop, no toolkit).
    virtual std::optional<ModeDialogResult> runModeDialog(const ModeDialogContent& content) = 0;
    // A message box on the window; written to standard error instead when no user can answer it.
    virtual void messageBox(const std::string& caption, const std::string& text, BoxIcon icon) = 0;
    // An unattended run (bounded by a frame count or a duration) never waits for a click.
    void setUnattended(bool unattended) { unattended_ = unattended; }
    bool unattended() const { return unattended_; }

    // The window and its context, in the order the shell calls them. The four context steps map the desktop
    // driver's: choose a pixel format, set it on the window, create the context, make it current.
    virtual bool createWindow(const WindowDesc& desc) = 0;
    virtual bool choosePixelFormat(const PixelFormat& format) = 0;
    virtual bool setPixelFormat() = 0;
    virtual bool createContext() = 0;
    virtual bool makeCurrent() = 0;
    virtual void showWindow() = 0;
    virtual void clientSize(int& width, int& height) const = 0;
    virtual void swapBuffers() = 0;
    virtual void releaseContext() = 0;  // no context current, the context deleted
    virtual void destroyWindow() = 0;

    // The next waiting event, if any: posted events first, then the quit event, then the system's input.
    virtual bool pollEvent(Event& event) = 0;
    // Whether Escape is held at the time of the last event taken.
    virtual bool isEscapeDown() const = 0;
    void post(const Event& event) { posted_.push_back(event); }
    void postQuit(int exitCode);

    // The frame clock: a monotonic 64-bit counter and its ticks per second.
    virtual std::int64_t readCounter() const;
    virtual std::int64_t counterFrequency() const;

    // The text of the last failure of the window system (a failed swap-interval change, for example).
    virtual std::string lastErrorText() const = 0;

protected:
    // Takes a posted event, or the quit event once no posted event is left.
    bool takePosted(Event& event);

private:
    std::deque<Event> posted_;
    std::optional<int> quitCode_;
    bool unattended_ = false;
};

enum class Backend { Desktop, Headless };
std::unique_ptr<WindowSystem> createWindowSystem(Backend backend);

// Writes a message box as text: "caption: text" (or the text alone when there is no caption).
void writeMessageBox(std::FILE* stream, const std::string& caption, const std::string& text);

}  // namespace qv3rn::platform
