// application.h -- the application base: start-up (log, dialog, display mode, window, context, driver report,
// default OpenGL state), the frame loop with its clock, and the window's event handling.
#pragma once

#include <cstdint>

#include "app/app_settings.h"
#include "platform/window_system.h"

namespace qv3rn {

// When a run stops by itself besides the usual ways (close box, Escape, the application's own request).
struct RunLimits {
    long long frames = 0;  // close the window after this many frames; 0: no limit
    double seconds = 0.0;  // close the window once the clock passes this many seconds; 0: no limit
};

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The operations a concrete application provides, in slot order.
    virtual bool initialize() = 0;            // once, after the context exists and the default state is set
    virtual void shutdown() = 0;              // when the window is asked to close, before it goes
    virtual void render() = 0;                // once per frame
    virtual void update(float dt) = 0;        // once per frame before render, with the frame time in seconds
    virtual void resize(int width, int height) = 0;  // for every size change of the client area

    // The whole life of the program on the given window system: log, window, frame loop until the window is
    // closed. Returns 0 in every case (startupFailed() tells whether the frame loop was reached).
    int run(platform::WindowSystem& windowSystem);

    void setSettings(const AppSettings& settings) { settings_ = settings; }
    const AppSettings& settings() const { return settings_; }
    void setRunLimits(const RunLimits& limits) { limits_ = limits; }
    const RunLimits& runLimits() const { return limits_; }

    // The application whose window exists now, or nullptr.
    static Application* current();

    // True when the last run ended before its frame loop for another reason than the "Reboot" button.
    bool startupFailed() const { return startupFailed_; }
    bool vsync() const { return vsync_; }
    double totalTime() const { return totalTime_; }
    double frameTime() const { return frameTime_; }
    long long framesRun() const { return framesRun_; }

protected:
    // The start-up steps, in the order run uses them.
    bool createWindow();
    bool changeDisplayMode(int width, int height, int bitsPerPixel, int refreshRate);
    bool setupContext();
    void setDefaultGLState();
    void updateClock();
    void checkGLErrors(float time);
    void releaseContext();

    // Asks for the window to close (as its close box does); the frame loop ends once it has gone.
    void postClose();
    // What the window does with one event (size, close, character, quit).
    void handleEvent(const platform::Event& event);
    // Runs one frame: clock, update, render, swap, error check, run limits.
    void runFrame();
    // The "VSync" choice of the dialog, for applications that decide it otherwise.
    void setVsync(bool vsync) { vsync_ = vsync; }
    // Lets tests and tools drive the pieces without run(); run() sets it itself.
    void attach(platform::WindowSystem& windowSystem) { windowSystem_ = &windowSystem; }
    platform::WindowSystem* windowSystem() const { return windowSystem_; }

    // The maximum number of OpenGL errors one check logs (a lost context may report errors forever).
    static constexpr int maxErrorsPerCheck = 32;

private:
    bool askForDisplayMode();  // the dialog; false for "Reboot"
    bool failContext(const char* boxText, const char* logText);
    void destroyWindow();      // the window's destroy handling, then the window goes

    AppSettings settings_;
    RunLimits limits_;
    platform::WindowSystem* windowSystem_ = nullptr;
    bool hasWindow_ = false;
    bool hasDeviceContext_ = false;   // the window's pixel format is set
    bool hasRenderContext_ = false;   // the OpenGL context exists
    bool vsync_ = false;
    bool startupFailed_ = false;
    bool rebootChosen_ = false;
    bool closePosted_ = false;

    // The frame clock.
    std::int64_t lastCounter_ = 0;
    std::int64_t currentCounter_ = 0;
    std::int64_t counterFrequency_ = 1;
    double totalTime_ = 0.0;
    double frameTime_ = 0.0;
    long long framesRun_ = 0;
};

}  // namespace qv3rn
