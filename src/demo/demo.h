// demo.h -- the demo application: loads the show behind the loading screen, starts the music, plays the
// timeline until the show is over and tears everything down again; also captures and benchmarks the show.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "app/application.h"
#include "demo/bench_report.h"
#include "demo/capture.h"
#include "demo/demo_clock.h"
#include "demo/demo_scripts.h"
#include "demo/loading_screen.h"
#include "demo/music.h"
#include "demo/run_progress.h"
#include "demo/show_render_targets.h"
#include "platform/folder_watcher.h"
#include "platform/playback_keys.h"
#include "shader/texture.h"

namespace qv3rn {

class Archive;
class FixedStepClock;
class FrameRenderer;
class PBuffer;

// How a run plays the show.
enum class DemoMode {
    Play,     // in real time with the music, steered by the keys in a window
    Capture,  // every frame at a fixed step into PNG files or a video file, no real-time clock
    Bench,    // every frame at a fixed step, timed; the report is printed at the end
};

struct DemoOptions {
    DemoMode mode = DemoMode::Play;
    // A content folder laid out like the archive, read from disk instead of "data.dat"; empty: the archive.
    std::string dataFolder;
    std::string archivePath = "data.dat";
    // The music file; a relative path is taken from the working folder the demo was started in.
    std::string musicPath = Music::fileName;
    // Where the show starts, in seconds of demo time (the timeline and the music together).
    double seek = 0.0;
    // Capture: the PNG folder or the ".mp4"/".mkv" file (made absolute before the run).
    std::string captureOut;
    // Capture and bench: frames per second of demo time.
    int framesPerSecond = 60;
    // How far a seek key moves, in seconds.
    double seekStep = 5.0;
};

class Demo : public Application {
public:
    explicit Demo(DemoOptions options = {});
    ~Demo() override;

    bool initialize() override;
    void shutdown() override;
    void render() override;
    // Moves the show to this frame's demo time: the player's clock moved on by `frameTime` (steered by the keys),
    // or the next fixed step of a capture or a bench run.
    void update(float frameTime) override;
    void resize(int width, int height) override;

    // The progress callback of the loaders: one more tile of the loading picture.
    void drawLoadingProgress();
    void primeEffects();

    // Steering a running show (the playback keys land here).
    void togglePause();
    // Moves the timeline and the music to `seconds` (0 .. the show's length). Going back reads the timeline
    // again, since finished effects are gone.
    void seekTo(double seconds);
    // Reads every script again (from the content folder, or from the archive, opened again for this) and goes
    // on at the current time; R does it, and so does a change to a file of the content folder. A script error
    // is shown in the window title and the log; the show goes on with whatever was read before the error.
    bool reloadScripts();

    const DemoOptions& options() const { return options_; }
    float demoTime() const { return demoTime_; }
    bool paused() const { return clock_.paused(); }
    // What the title shows after the program's name ("" when nothing): a pause, a reload error.
    const std::string& status() const { return status_; }
    platform::PlaybackKeys* playbackKeys() { return keys_.get(); }
    const LoadingScreen& loadingScreen() const { return loading_; }
    const Music& music() const { return music_; }
    PBuffer* bigTarget() const { return targets_.big(); }
    PBuffer* smallTarget() const { return targets_.small(); }
    const DemoScripts& scripts() const { return scripts_; }

    // A capture or a bench run that went wrong after the start (a frame that could not be written).
    bool runFailed() const { return !runError_.empty(); }
    const std::string& runError() const { return runError_; }
    const BenchReport& benchReport() const { return bench_; }
    long long framesCaptured() const { return sink_ ? sink_->framesWritten() : capturedFrames_; }

private:
    bool fail(const char* caption, const std::string& text);
    bool openContent();
    void prepareRegistries();
    bool startMusic();
    bool startCapture();
    void handleKeys();
    void reloadChanged(const std::vector<std::string>& files);
    void setStatus(const std::string& status);
    void showPause();  // the title says where the show is paused
    void renderTimed();
    void failRun(const std::string& error);
    // The shut-down's steps after the music, also run when the start-up fails half-way (while the context
    // still exists), so nothing is left for the registries' destructors.
    void releaseResources();
    void leaveDataFolder();
    std::shared_ptr<Archive> reopenArchive(std::string& error);

    DemoOptions options_;
    std::shared_ptr<Archive> archive_;
    ShowRenderTargets targets_;
    Texture* shadowImage_ = nullptr;  // owned by the image registry while listed there
    LoadingScreen loading_;
    std::chrono::steady_clock::time_point lastLoadingDraw_{};
    DemoScripts scripts_;
    Music music_;
    std::unique_ptr<platform::PlaybackKeys> keys_;
    std::unique_ptr<platform::FolderWatcher> watcher_;  // the content folder, when the show plays from one
    std::string startFolder_;  // the working folder before a content folder was entered

    DemoClock clock_;                           // the time of a run in real time
    std::unique_ptr<FixedStepClock> stepClock_;  // the steps of a capture or a bench run
    float demoTime_ = 0.0f;
    bool closeRequested_ = false;
    bool resourcesHeld_ = false;
    std::string status_;

    std::unique_ptr<FrameRenderer> frameRenderer_;
    std::unique_ptr<FrameSink> sink_;
    long long capturedFrames_ = 0;
    BenchReport bench_;
    std::chrono::steady_clock::time_point frameStart_;
    std::chrono::steady_clock::time_point runStart_;
    std::unique_ptr<RunProgress> progress_;  // a capture's or a bench run's progress on standard error
    std::string runError_;
};

}  // namespace qv3rn
