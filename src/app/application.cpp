// application.cpp -- the application's start-up, frame loop, clock and window event handling.
#include "app/application.h"

#include "app/display_mode_dialog.h"
#include "core/log.h"
#include "core/message_hook.h"
#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "gl/gl_errors.h"

namespace qv3rn {

namespace {

// The application whose window exists: set when the window is created, cleared when it is destroyed.
Application* runningApplication = nullptr;

const char* glString(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

// The window system's error text without the line break a system message may end with.
std::string withoutLineBreak(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

Application::Application() : settings_("Application", 640, 480, 32, 32, 0, 0, false, false) {}

Application::~Application() {
    if (runningApplication == this) runningApplication = nullptr;
}

Application* Application::current() { return runningApplication; }

int Application::run(platform::WindowSystem& windowSystem) {
    windowSystem_ = &windowSystem;
    startupFailed_ = false;
    rebootChosen_ = false;
    closePosted_ = false;
    framesRun_ = 0;

    Log& log = logger();
    log.open(settings_.logPath);
    // Error boxes raised below the application (decoders, GPU programs) go through this run's window system.
    const ScopedMessageHook boxes([&windowSystem](const std::string& caption, const std::string& text) {
        windowSystem.messageBox(caption, text, platform::BoxIcon::Error);
    });
    if (!createWindow()) {
        startupFailed_ = !rebootChosen_;
        return 0;  // the log stays open: the process ends next
    }
    resize(settings_.width, settings_.height);

    lastCounter_ = windowSystem.readCounter();
    counterFrequency_ = windowSystem.counterFrequency();
    if (counterFrequency_ <= 0) counterFrequency_ = 1;
    totalTime_ = 0.0;
    frameTime_ = 0.0;

    // Every waiting event is handled before the next frame runs; the quit event ends the loop.
    for (;;) {
        platform::Event event;
        if (windowSystem.pollEvent(event)) {
            if (event.type == platform::EventType::Quit) break;
            handleEvent(event);
            continue;
        }
        runFrame();
    }

    log.close();
    return 0;
}

void Application::runFrame() {
    updateClock();
    update(static_cast<float>(frameTime_));
    render();
    if (hasDeviceContext_ && hasRenderContext_) windowSystem_->swapBuffers();
    checkGLErrors(static_cast<float>(totalTime_));
    ++framesRun_;
    const bool framesDone = limits_.frames > 0 && framesRun_ >= limits_.frames;
    const bool timeDone = limits_.seconds > 0.0 && totalTime_ >= limits_.seconds;
    if (!closePosted_ && (framesDone || timeDone)) {
        closePosted_ = true;
        postClose();
    }
}

void Application::updateClock() {
    currentCounter_ = windowSystem_->readCounter();
    frameTime_ = static_cast<double>(currentCounter_ - lastCounter_) / static_cast<double>(counterFrequency_);
    lastCounter_ = currentCounter_;
    totalTime_ += frameTime_;
}

void Application::postClose() {
    platform::Event close;
    close.type = platform::EventType::Close;
    if (windowSystem_) windowSystem_->post(close);
}

void Application::handleEvent(const platform::Event& event) {
    switch (event.type) {
        case platform::EventType::Resize:
            if (runningApplication != this) return;
            settings_.width = event.width;
            settings_.height = event.height;
            resize(event.width, event.height);
            return;
        case platform::EventType::Close:
            if (runningApplication == this) shutdown();
            destroyWindow();
            return;
        case platform::EventType::Character:
            // Only Escape ends the program; other keys are swallowed.
            if (windowSystem_->isEscapeDown()) postClose();
            return;
        case platform::EventType::Quit:
            return;
    }
}

void Application::destroyWindow() {
    if (!hasWindow_) return;
    hasWindow_ = false;
    if (runningApplication == this) {
        releaseContext();
        if (settings_.fullscreen) {
            windowSystem_->restoreDisplayMode();
            windowSystem_->showCursor(true);
        }
        runningApplication = nullptr;
        windowSystem_->postQuit(0);
    }
    windowSystem_->destroyWindow();
}

bool Application::askForDisplayMode() {
    platform::WindowSystem& windowSystem = *windowSystem_;
    if (!settings_.askDisplayMode || !windowSystem.hasDesktop()) return true;  // settings as constructed
    const platform::ModeDialogContent content = DisplayModeDialog::open(
        settings_, [&](int index, platform::DisplayMode& mode) { return windowSystem.displayMode(index, mode); });
    const std::optional<platform::ModeDialogResult> result = windowSystem.runModeDialog(content);
    if (!result) return true;
    const int command = DisplayModeDialog::close(*result, settings_, vsync_);
    if (command == platform::kModeDialogReboot) return false;
    settings_.fullscreen = command == platform::kModeDialogFullscreen;
    return true;
}

bool Application::createWindow() {
    platform::WindowSystem& windowSystem = *windowSystem_;
    if (!windowSystem.initialize()) return false;
    if (!askForDisplayMode()) {
        rebootChosen_ = true;
        return false;
    }

    platform::WindowDesc desc;
    desc.title = settings_.title;
    desc.width = settings_.width;
    desc.height = settings_.height;
    if (settings_.fullscreen) {
        desc.atOrigin = true;
        if (changeDisplayMode(settings_.width, settings_.height, settings_.colorBits, settings_.refreshRate)) {
            windowSystem.showCursor(false);
            desc.fullscreen = true;
        } else {
            windowSystem.messageBox("Error", "Couldn't change screen resolution.\nRunning In Windowed Mode.",
                                    platform::BoxIcon::Exclamation);
            settings_.fullscreen = false;
        }
    }

    if (!windowSystem.createWindow(desc)) {
        if (desc.fullscreen) {  // give the desktop its mode back: nothing else will
            windowSystem.restoreDisplayMode();
            windowSystem.showCursor(true);
        }
        return false;
    }
    hasWindow_ = true;
    runningApplication = this;

    if (!setupContext()) return false;

    // Showing the window reports its client size, as the first size change.
    windowSystem.showWindow();
    platform::Event shown;
    shown.type = platform::EventType::Resize;
    windowSystem.clientSize(shown.width, shown.height);
    handleEvent(shown);

    resetExtensions();
    reportExtensions(windowSystem);
    setDefaultGLState();

    if (!initialize()) {
        destroyWindow();
        return false;
    }
    return true;
}

bool Application::changeDisplayMode(int width, int height, int bitsPerPixel, int refreshRate) {
    Log& log = logger();
    log.beginSection("ScreenMode");
    log.printf("Width : %d", width);
    log.printf("Height: %d", height);
    log.printf("BPP   : %d", bitsPerPixel);
    log.printf("Freq  : %d", refreshRate);
    const platform::DisplayMode mode{width, height, bitsPerPixel, refreshRate};
    const bool changed = windowSystem_->changeDisplayMode(mode, refreshRate != -1);
    if (!changed) log.printf("ChangeDisplaySettings() FAILED");
    log.endSection("ScreenMode");
    return changed;
}

bool Application::setupContext() {
    platform::WindowSystem& windowSystem = *windowSystem_;
    Log& log = logger();
    log.beginSection("OpenGL");
    log.beginSection("Buffers");
    log.printf("Color       : %d", settings_.colorBits);
    log.printf("Depth       : %d", settings_.depthBits);
    log.printf("Stencil     : %d", settings_.stencilBits);
    log.printf("Accumulation: %d", settings_.accumBits);
    log.endSection("Buffers");

    hasDeviceContext_ = true;
    const platform::PixelFormat format{settings_.colorBits, settings_.depthBits, settings_.stencilBits,
                                       settings_.accumBits};
    if (!windowSystem.choosePixelFormat(format))
        return failContext("ChoosePixelFormat() failed", "ChoosePixelFormat() FAILED");
    if (!windowSystem.setPixelFormat()) return failContext("SetPixelFormat() failed", "SetPixelFormat() FAILED");
    if (!windowSystem.createContext())
        return failContext("wglCreateContext() failed", "wglCreateContext() FAILED");
    hasRenderContext_ = true;
    if (!windowSystem.makeCurrent()) return failContext("wglMakeCurrent() failed", "wglMakeCurrent() FAILED");

    log.beginSection("Driver");
    log.printf("Vendor: %s", glString(GL_VENDOR));
    log.printf("Version: %s", glString(GL_VERSION));
    log.printf("Renderer: %s", glString(GL_RENDERER));
    log.beginSection("Extensions GL/WGL");
    log.writeLine(windowSystem.glExtensions());
    if (auto getExtensionsString = reinterpret_cast<PFNWGLGETEXTENSIONSSTRINGARBPROC>(
            windowSystem.getProcAddress("wglGetExtensionsStringARB")))
        log.writeLine(getExtensionsString(platform::wglGetCurrentDC()));
    log.endSection("Extensions GL/WGL");
    log.endSection("Driver");
    log.endSection("OpenGL");
    return true;
}

bool Application::failContext(const char* boxText, const char* logText) {
    windowSystem_->messageBox("", boxText, platform::BoxIcon::Exclamation);
    destroyWindow();
    hasDeviceContext_ = false;
    hasRenderContext_ = false;
    Log& log = logger();
    log.printf("%s", logText);
    log.endSection("OpenGL");
    return false;
}

// The state every context starts from, then the window's swap interval from the dialog's "VSync" choice.
void Application::setDefaultGLState() {
    applyDefaultGLState();
    Log& log = logger();
    if (WGL_EXT_swap_control_Flag) {
        const int interval = vsync_ ? 1 : 0;
        if (wglSwapIntervalEXT(interval)) {
            log.printf("Setting Swap Interval: %d", wglGetSwapIntervalEXT());
        } else {
            const std::string error = withoutLineBreak(windowSystem_ ? windowSystem_->lastErrorText() : "");
            log.printf("Setting Swap Interval: \"%s\" %d", error.c_str(), wglGetSwapIntervalEXT());
        }
    } else {
        log.printf("Setting Swap Interval: WGL_EXT_swap_control_Flag not available");
    }
}

void Application::checkGLErrors(float time) {
    Log& log = logger();
    for (int count = 0; count < maxErrorsPerCheck; ++count) {
        const GLenum code = glGetError();
        if (code == GL_NO_ERROR) return;
        log.printf("%f %s", time, glErrorText(code));
    }
}

void Application::releaseContext() {
    if (!hasDeviceContext_ || !hasRenderContext_) return;
    windowSystem_->releaseContext();
    hasDeviceContext_ = false;
    hasRenderContext_ = false;
    resetExtensions();  // the entry points belonged to the context that is gone
}

}  // namespace qv3rn
