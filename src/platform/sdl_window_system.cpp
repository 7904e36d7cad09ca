// sdl_window_system.cpp -- the desktop window, its OpenGL context and its events on SDL2.
#include "platform/sdl_window_system.h"

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <cstdlib>  // Required for: getenv
#include <cstring>

#include "platform/pixel_format.h"
#include "platform/wgl.h"

namespace qv3rn::platform {

namespace {

constexpr int kMainDisplay = 0;

// Bits per pixel as a desktop reports them: the storage size, so that 8-bit RGB with a pad byte counts 32.
int bitsPerPixel(Uint32 format) {
    if (SDL_ISPIXELFORMAT_FOURCC(format)) return static_cast<int>(SDL_BITSPERPIXEL(format));
    return std::max<int>(SDL_BITSPERPIXEL(format), SDL_BYTESPERPIXEL(format) * 8);
}

DisplayMode toDisplayMode(const SDL_DisplayMode& mode) {
    return DisplayMode{mode.w, mode.h, bitsPerPixel(mode.format), mode.refresh_rate};
}

bool translate(const SDL_Event& in, Event& out, bool& escapeDown) {
    out = Event{};
    switch (in.type) {
        case SDL_WINDOWEVENT:
            if (in.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                out.type = EventType::Resize;
                out.width = in.window.data1;
                out.height = in.window.data2;
                return true;
            }
            if (in.window.event == SDL_WINDOWEVENT_CLOSE) {
                out.type = EventType::Close;
                return true;
            }
            return false;
        case SDL_KEYDOWN:
            if (in.key.keysym.scancode == SDL_SCANCODE_ESCAPE) escapeDown = true;
            // Keys that type a character (their key code is the character): Escape, Return, letters, digits...
            if (in.key.keysym.sym > 0 && in.key.keysym.sym < 0x80) {
                out.type = EventType::Character;
                out.key = in.key.keysym.sym;
                return true;
            }
            return false;
        case SDL_KEYUP:
            if (in.key.keysym.scancode == SDL_SCANCODE_ESCAPE) escapeDown = false;
            return false;
        case SDL_QUIT:  // SIGINT, SIGTERM or the session asking the program to end: close like the close box
            out.type = EventType::Close;
            return true;
        default:
            return false;
    }
}

}  // namespace

SdlWindowSystem::~SdlWindowSystem() {
    destroyWindow();
    if (libraryLoaded_) SDL_GL_UnloadLibrary();
    if (initialized_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

const char* SdlWindowSystem::glExtensions() const {
    if (!context_) return "";
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions ? extensions : "";
}

void* SdlWindowSystem::getProcAddress(const char* name) const {
    if (std::strncmp(name, "wgl", 3) == 0)
        if (void* function = wglProcAddress(name)) return function;
    if (!libraryLoaded_ && !window_) return nullptr;
    return SDL_GL_GetProcAddress(name);
}

bool SdlWindowSystem::initialize() {
    if (initialized_) return true;
    // With no display to talk to, go straight to the offscreen driver instead of probing (and complaining
    // about) every desktop one; an explicit SDL_VIDEODRIVER still wins.
    const bool noDisplay = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
    if (noDisplay && !std::getenv("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    initialized_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return initialized_;
}

bool SdlWindowSystem::hasDesktop() const {
    const char* driver = initialized_ ? SDL_GetCurrentVideoDriver() : nullptr;
    return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

bool SdlWindowSystem::displayMode(int index, DisplayMode& mode) const {
    if (!initialized_ || index < 0 || index >= SDL_GetNumDisplayModes(kMainDisplay)) return false;
    SDL_DisplayMode sdlMode{};
    if (SDL_GetDisplayMode(kMainDisplay, index, &sdlMode) != 0) return false;
    mode = toDisplayMode(sdlMode);
    return true;
}

bool SdlWindowSystem::changeDisplayMode(const DisplayMode& wanted, bool matchRefreshRate) {
    // A refresh rate of 0 or 1 stands for the display's default, as on the desktop drivers.
    const bool rateMatters = matchRefreshRate && wanted.refreshRate > 1;
    DisplayMode mode;
    for (int index = 0; displayMode(index, mode); ++index) {
        if (mode.width == wanted.width && mode.height == wanted.height && mode.bitsPerPixel == wanted.bitsPerPixel &&
            (!rateMatters || mode.refreshRate == wanted.refreshRate)) {
            fullscreenMode_ = index;
            return true;
        }
    }
    SDL_SetError("the display has no mode %dx%d %d bpp%s", wanted.width, wanted.height, wanted.bitsPerPixel,
                 rateMatters ? " at that refresh rate" : "");
    return false;
}

void SdlWindowSystem::restoreDisplayMode() {
    if (window_) SDL_SetWindowFullscreen(window_, 0);
    fullscreenMode_.reset();
}

void SdlWindowSystem::showCursor(bool visible) {
    if (initialized_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

std::optional<ModeDialogResult> SdlWindowSystem::runModeDialog(const ModeDialogContent& content) {
    if (!hasDesktop() || !gtkAvailable()) return std::nullopt;
    return runGtkModeDialog(content);
}

void SdlWindowSystem::messageBox(const std::string& caption, const std::string& text, BoxIcon icon) {
    writeMessageBox(stderr, caption, text);
    if (!hasDesktop() || unattended()) return;  // nobody would answer it: the text above is all
    const Uint32 flags = icon == BoxIcon::Error         ? SDL_MESSAGEBOX_ERROR
                         : icon == BoxIcon::Exclamation ? SDL_MESSAGEBOX_WARNING
                                                        : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), window_);
}

bool SdlWindowSystem::createWindow(const WindowDesc& desc) {
    if (!initialized_) return false;
    desc_ = desc;
    hasDesc_ = true;
    return true;
}

bool SdlWindowSystem::setAttributes(const PixelFormat& format) {
    SDL_GL_ResetAttributes();
    const ChannelBits color = channelBits(format.colorBits);
    const int accum = std::max(0, format.accumBits / 4);
    const std::pair<SDL_GLattr, int> attributes[] = {
        {SDL_GL_RED_SIZE, color.red},
        {SDL_GL_GREEN_SIZE, color.green},
        {SDL_GL_BLUE_SIZE, color.blue},
        {SDL_GL_ALPHA_SIZE, color.alpha},
        {SDL_GL_DEPTH_SIZE, std::max(0, format.depthBits)},
        {SDL_GL_STENCIL_SIZE, std::max(0, format.stencilBits)},
        {SDL_GL_ACCUM_RED_SIZE, accum},
        {SDL_GL_ACCUM_GREEN_SIZE, accum},
        {SDL_GL_ACCUM_BLUE_SIZE, accum},
        {SDL_GL_ACCUM_ALPHA_SIZE, accum},
        {SDL_GL_DOUBLEBUFFER, 1},
        {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY},
    };
    for (const auto& [attribute, value] : attributes)
        if (SDL_GL_SetAttribute(attribute, value) != 0) return false;
    return true;
}

bool SdlWindowSystem::choosePixelFormat(const PixelFormat& format) {
    if (!hasDesc_) return false;
    format_ = format;
    if (!libraryLoaded_) libraryLoaded_ = SDL_GL_LoadLibrary(nullptr) == 0;
    return libraryLoaded_ && setAttributes(format_);
}

bool SdlWindowSystem::setPixelFormat() {
    if (!hasDesc_ || window_) return false;
    const int position = desc_.atOrigin ? 0 : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (!desc_.fullscreen) flags |= SDL_WINDOW_RESIZABLE;
    for (const PixelFormat& candidate : formatCandidates(format_)) {
        if (!setAttributes(candidate)) return false;
        window_ = SDL_CreateWindow(desc_.title.c_str(), position, position, desc_.width, desc_.height, flags);
        if (window_) break;
    }
    if (!window_) return false;
    if (desc_.fullscreen && fullscreenMode_) {
        SDL_DisplayMode mode{};
        SDL_GetDisplayMode(kMainDisplay, *fullscreenMode_, &mode);
        SDL_SetWindowDisplayMode(window_, &mode);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);  // takes effect when the window is shown
    }
    return true;
}

bool SdlWindowSystem::createContext() {
    if (!window_ || context_) return false;
    context_ = SDL_GL_CreateContext(window_);
    return context_ != nullptr;
}

bool SdlWindowSystem::makeCurrent() {
    if (!window_ || !context_ || SDL_GL_MakeCurrent(window_, context_) != 0) return false;
    WindowSystemHooks hooks;
    hooks.setSwapInterval = [](int interval) { return SDL_GL_SetSwapInterval(interval) == 0; };
    hooks.swapInterval = [] { return SDL_GL_GetSwapInterval(); };
    hooks.glProcAddress = [](const char* name) { return SDL_GL_GetProcAddress(name); };
    hooks.currentContext = [] { return static_cast<WglContext>(SDL_GL_GetCurrentContext()); };
    hooks.createSharedContext = [this] { return createSharedContext(); };
    hooks.makeCurrent = [this](WglContext context) { return SDL_GL_MakeCurrent(window_, context) == 0; };
    hooks.deleteContext = [this](WglContext context) { deleteSharedContext(context); };
    installWindowSystem(hooks);
    return true;
}

void* SdlWindowSystem::createSharedContext() {
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    if (!window_ || !previous) return nullptr;
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
    SDL_GLContext created = SDL_GL_CreateContext(window_);  // also makes it current
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    SDL_GL_MakeCurrent(window_, previous);
    if (created) sharedContexts_.push_back(created);
    return created;
}

void SdlWindowSystem::deleteSharedContext(void* context) {
    // The window's own context belongs to the shell (releaseContext); only contexts made here are deleted.
    auto found = std::find(sharedContexts_.begin(), sharedContexts_.end(), context);
    if (found == sharedContexts_.end()) return;
    if (SDL_GL_GetCurrentContext() == context) SDL_GL_MakeCurrent(window_, context_);
    SDL_GL_DeleteContext(context);
    sharedContexts_.erase(found);
}

void SdlWindowSystem::showWindow() {
    if (!window_) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlWindowSystem::clientSize(int& width, int& height) const {
    if (window_) {
        SDL_GetWindowSize(window_, &width, &height);
    } else {
        width = desc_.width;
        height = desc_.height;
    }
}

void SdlWindowSystem::swapBuffers() {
    if (window_) SDL_GL_SwapWindow(window_);
}

void SdlWindowSystem::releaseContext() {
    if (!context_) return;
    installWindowSystem({});
    SDL_GL_MakeCurrent(window_, nullptr);
    for (void* shared : sharedContexts_) SDL_GL_DeleteContext(shared);
    sharedContexts_.clear();
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
}

void SdlWindowSystem::destroyWindow() {
    releaseContext();
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    hasDesc_ = false;
    fullscreenMode_.reset();
    escapeDown_ = false;
}

bool SdlWindowSystem::pollEvent(Event& event) {
    if (takePosted(event)) return true;
    if (!initialized_) return false;
    SDL_Event sdlEvent;
    while (SDL_PollEvent(&sdlEvent))
        if (translate(sdlEvent, event, escapeDown_)) return true;
    return false;
}

std::string SdlWindowSystem::lastErrorText() const { return SDL_GetError(); }

}  // namespace qv3rn::platform
