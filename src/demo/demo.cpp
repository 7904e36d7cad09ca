// demo.cpp -- the demo's start-up, frames and shut-down, and the steering of a running show.
#include "demo/demo.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <unistd.h>  // Required for: isatty

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "core/log.h"
#include "data/archive.h"
#include "demo/pbuffer.h"
#include "effects/effect.h"
#include "effects/effect_manager.h"
#include "effects/frame_renderer.h"
#include "effects/scene_registry.h"
#include "effects/show_clock.h"
#include "gl/extensions.h"
#include "math/random.h"
#include "mesh/mesh_manager.h"
#include "shader/camera_mgr.h"
#include "shader/depth_texture.h"
#include "shader/image_registry.h"
#include "shader/render_state.h"
#include "shader/shader_manager.h"

namespace qv3rn {

namespace {

namespace fs = std::filesystem;


double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void clearAllBuffers() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

}  // namespace

Demo::Demo(DemoOptions options)
    : options_(std::move(options)),
      loading_([this] {
          if (platform::WindowSystem* windows = windowSystem()) windows->swapBuffers();
      }),
      clock_(options_.seek) {
    AppSettings demoSettings("QV3RN * 10 - Dravinoke 2004", 640, 480, 32, 32, 8, 0, false, true);
    demoSettings.aboutText = aboutText;
    setSettings(demoSettings);
}

Demo::~Demo() = default;

bool Demo::fail(const char* caption, const std::string& text) {
    logger().writeLine(std::string(caption) + ": " + text);
    if (platform::WindowSystem* windows = windowSystem())
        windows->messageBox(caption, text, platform::BoxIcon::Error);
    return false;
}

bool Demo::initialize() {
    const auto loadStart = std::chrono::steady_clock::now();
    Log& log = logger();
    closeRequested_ = false;
    runError_.clear();

    // 1. The render targets are pixel buffers bound as textures: nothing works without them.
    if (!WGL_ARB_pbuffer_Flag || !WGL_ARB_render_texture_Flag)
        return fail("ERROR", "Needs WGL extensions: WGL_ARB_pbuffer, WGL_ARB_render_texture");

    // 2. The archive, or the content folder standing in for it.
    if (!openContent()) return false;
    resourcesHeld_ = true;

    // 3, 4. Where meshes and images are found.
    prepareRegistries();

    // 5. The shadow image.
    shadowImage_ = addShadowImage();

    // 6. No render state starts locked.
    RenderStateLocks::reset();

    // 7, 8. The two off-screen render targets, cleared.
    if (!targets_.create()) {
        fail("OPENGL ERROR", "UNABLE TO INITIATE PBUFFER");
        releaseResources();
        return false;
    }

    // 9. The loading screen.
    Handle<Texture> picture = LoadingScreen::loadPicture(ImageRegistry::instance());
    if (!picture) log.printf("Loading picture %s not found: the tiles are drawn plain", LoadingScreen::pictureName);
    loading_.setUp(runtimeRandom(), std::move(picture));

    // 10. Every script, each block lighting one more tile. 14. An error ends the start-up.
    try {
        scripts_.load(archive_, [this] { drawLoadingProgress(); });
    } catch (...) {
        const LoadingFailure failure = currentLoadingFailure();
        archive_.reset();
        fail(failure.unknown ? "EXCEPTION CATCHED" : "SCRIPTING ERROR", failure.boxText());
        releaseResources();
        return false;
    }

    primeEffects();

    // 11. Everything is read: the archive goes, the registries' references to it expire.
    if (archive_) archive_->close();
    archive_.reset();

    // 12. The registry drops the loading picture once nothing else holds it.
    if (Handle<Texture> shown = loading_.takePicture()) ImageRegistry::instance().releaseHandle(shown);

    // 13. The music starts last, with the timeline.
    if (!startMusic() || !startCapture()) {
        releaseResources();
        return false;
    }
    if (options_.mode == DemoMode::Play) keys_ = std::make_unique<platform::PlaybackKeys>();
    if (options_.mode == DemoMode::Play && !options_.dataFolder.empty()) {
        // Saving a file of the content folder reads the scripts again, as R does.
        std::string error;
        watcher_ = std::make_unique<platform::FolderWatcher>();
        if (watcher_->open(".", error)) {
            log.printf("Watching the content folder (%zu folders): a saved file reads the scripts again",
                       watcher_->folders());
        } else {
            log.writeLine("Not watching the content folder: " + error);
            watcher_.reset();
        }
    }

    // 15.
    clearAllBuffers();
    const double loadMilliseconds = millisecondsSince(loadStart);
    bench_.setLoadTime(loadMilliseconds);
    log.printf("Loaded in %.3f s; the show starts at %.3f s", loadMilliseconds / 1000.0, options_.seek);
    return true;
}

bool Demo::openContent() {
    // The music is looked for where the program was started, even when the content comes from a folder.
    std::error_code error;
    fs::path music = fs::absolute(options_.musicPath, error);
    if (!options_.dataFolder.empty() && !fs::exists(music, error)) {
        const fs::path inFolder = fs::absolute(fs::path(options_.dataFolder) / options_.musicPath, error);
        if (fs::exists(inFolder, error)) music = inFolder;
    }
    options_.musicPath = music.string();

    if (options_.dataFolder.empty()) {
        archive_ = std::make_shared<Archive>();
        if (!archive_->open(options_.archivePath, demoArchivePassword)) {
            archive_.reset();
            return fail("ERROR", "Unable to load data.dat");
        }
        return true;
    }
    const fs::path start = fs::current_path(error);
    fs::current_path(options_.dataFolder, error);
    if (error) return fail("ERROR", "Unable to open the content folder " + options_.dataFolder);
    startFolder_ = start.string();
    logger().printf("Content folder: %s", fs::current_path(error).string().c_str());
    return true;
}

void Demo::leaveDataFolder() {
    if (startFolder_.empty()) return;
    std::error_code error;
    fs::current_path(startFolder_, error);
    startFolder_.clear();
}

void Demo::prepareRegistries() {
    if (MeshManager* meshes = MeshManager::instance()) {
        registerStandardMeshFormats(*meshes);
        meshes->addSearchPath("data\\obj\\");
        meshes->setArchive(archive_);
    }
    ImageRegistry& images = ImageRegistry::instance();
    images.registerDefaults();
    images.addSearchPath("data\\art\\");
    images.addSearchPath("data\\fnt\\");
    images.setArchive(archive_);
}

// Every step lights its tile, but the picture is drawn again at most at the screen's rate: the loaders step
// much faster than that, and redrawing the whole screen each time cost more than the loading itself.
void Demo::drawLoadingProgress() {
    const auto now = std::chrono::steady_clock::now();
    const bool due = now - lastLoadingDraw_ >= std::chrono::milliseconds(16) ||
                     loading_.progress() + 1 == LoadingScreen::tileCount;
    if (due) lastLoadingDraw_ = now;
    loading_.drawProgress(due);
}

// Every scene, tunnel and fragment-program effect of the timeline is drawn once at load, at the time it starts
// (their updates depend on the time alone). A software renderer compiles the code for each drawing state on
// its first use, tens of milliseconds for a scene's states, which would otherwise stall the frame where the
// effect comes in. The picture is cleared before the show starts.
void Demo::primeEffects() {
    EffectManager& manager = EffectManager::instance();
    for (const auto& effect : manager.pending()) {
        const auto kind = static_cast<EffectKind>(effect->kind());
        if (kind != EffectKind::Scene && kind != EffectKind::Tunnel && kind != EffectKind::PostProcessing) continue;
        effect->update(effect->start());
        effect->render();
    }
    manager.setViewport(0, 0, manager.viewportWidth(), manager.viewportHeight());
    clearAllBuffers();
}

bool Demo::startMusic() {
    Log& log = logger();
    const bool muxed = options_.mode == DemoMode::Capture && isVideoPath(options_.captureOut);
    if (options_.mode != DemoMode::Play && !muxed) {
        log.writeLine("Music: not needed by this run");
        return true;
    }
    if (!music_.loadSample(options_.musicPath)) {
        log.writeLine("Unable to load sample: " + music_.error());
        return fail("ERROR", "Unable to load sample");
    }
    const platform::PcmBuffer& sample = *music_.sample();
    log.printf("Music: %d Hz, %d channels, %.3f s", sample.sampleRate, sample.channels, sample.seconds());
    if (muxed) return true;

    if (!music_.openDevice()) {
        log.writeLine("Unable to initiate Sound System (" + music_.error() + "): the show plays without sound");
        music_.free();  // nothing will play it
        return true;
    }
    if (!music_.play(options_.seek)) {
        log.writeLine("Unable to play the music (" + music_.error() + "): the show plays without sound");
        return true;
    }
    log.printf("Sound system: %s; music playing from %.3f s", music_.driverName().c_str(), options_.seek);
    return true;
}

bool Demo::startCapture() {
    if (options_.mode == DemoMode::Play) return true;
    const int width = settings().width;
    const int height = settings().height;
    const int framesPerSecond = options_.framesPerSecond > 0 ? options_.framesPerSecond : 60;
    stepClock_ = std::make_unique<FixedStepClock>(EffectManager::instance(), framesPerSecond, options_.seek);
    frameRenderer_ = std::make_unique<FrameRenderer>(EffectManager::instance(), width, height);
    bench_.setRun(width, height, framesPerSecond);
    // The frames of the show from the start time on (a frame exactly at its end included), or the run's limit.
    long long frames = static_cast<long long>(std::floor((showLength - options_.seek) * framesPerSecond)) + 1;
    if (runLimits().frames > 0) frames = std::min(frames, runLimits().frames);
    progress_ = std::make_unique<RunProgress>(stderr, isatty(fileno(stderr)) != 0,
                                              options_.mode == DemoMode::Bench ? "bench" : "capture", frames);
    runStart_ = std::chrono::steady_clock::now();
    if (options_.mode == DemoMode::Bench) return true;

    VideoSettings video;
    video.path = options_.captureOut;
    video.width = width;
    video.height = height;
    video.framesPerSecond = framesPerSecond;
    video.music = music_.sharedSample();
    video.musicStart = options_.seek;
    std::string error;
    sink_ = openFrameSink(video, error);
    if (!sink_) return fail("ERROR", "Unable to capture: " + error);
    logger().printf("Capturing %dx%d at %d fps from %.3f s", width, height, video.framesPerSecond, options_.seek);
    return true;
}

void Demo::update(float frameTime) {
    if (options_.mode == DemoMode::Play) {
        clock_.advance(frameTime);
        handleKeys();  // a pause or a seek takes effect in this frame
        if (watcher_) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            const std::vector<std::string> changed = watcher_->settled(std::chrono::duration<double>(now).count());
            if (!changed.empty()) reloadChanged(changed);
        }
        demoTime_ = static_cast<float>(clock_.time());
        advanceShow(EffectManager::instance(), demoTime_);
    } else {
        frameStart_ = std::chrono::steady_clock::now();
        demoTime_ = stepClock_->step();
    }
    if (showIsOver(demoTime_) && !closeRequested_) {
        closeRequested_ = true;
        postClose();
    }
}

void Demo::render() {
    if (options_.mode == DemoMode::Play) {
        EffectManager::instance().render();
        return;
    }
    // A fixed-step run keeps only the frames of the show: the one past its end is not drawn.
    if (showIsOver(demoTime_) || runFailed()) return;
    if (options_.mode == DemoMode::Bench)
        renderTimed();
    else if (!sink_->writeFrame(frameRenderer_->renderFrame()))
        failRun(sink_->error());
    progress_->frameDone(demoTime_, millisecondsSince(runStart_) / 1000.0);
}

void Demo::renderTimed() {
    // As the capture draws: from a cleared screen, each effect waited for, so its time is its own.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    clearAllBuffers();
    glFinish();
    std::map<std::string, double> perType;
    for (const auto& effect : EffectManager::instance().active()) {
        if (!effect->isVisible()) continue;
        const auto start = std::chrono::steady_clock::now();
        effect->render();
        glFinish();
        perType[std::string(effectTypeName(effect->kind()))] += millisecondsSince(start);
    }
    bench_.addFrame(millisecondsSince(frameStart_), perType, demoTime_);
}

void Demo::failRun(const std::string& error) {
    if (runError_.empty()) {
        runError_ = error;
        logger().writeLine("Capture stopped: " + error);
    }
    if (!closeRequested_) {
        closeRequested_ = true;
        postClose();
    }
}

void Demo::resize(int width, int height) {
    EffectManager& effects = EffectManager::instance();
    effects.setSize(width, height);
    effects.setViewport(0, 0, width, height);
}

void Demo::shutdown() {
    Log& log = logger();
    // 1. The music.
    log.writeLine("Freeing music");
    music_.free();
    keys_.reset();
    watcher_.reset();
    if (sink_) {
        if (!sink_->finish()) failRun(sink_->error());
        capturedFrames_ = sink_->framesWritten();
        log.printf("Captured %lld frames", capturedFrames_);
        sink_.reset();
    }
    if (progress_) progress_->finish();
    progress_.reset();
    frameRenderer_.reset();
    stepClock_.reset();
    // 2 to 4.
    releaseResources();
    leaveDataFolder();
}

void Demo::releaseResources() {
    if (!resourcesHeld_) return;
    resourcesHeld_ = false;
    Log& log = logger();
    ImageRegistry& images = ImageRegistry::instance();

    // 2.
    log.writeLine("Clearing effects");
    EffectManager::instance().clear();
    log.writeLine("Clearing scenes");
    SceneRegistry::instance().clear();
    log.writeLine("Clearing meshes");
    if (MeshManager* meshes = MeshManager::instance()) meshes->clear();
    log.writeLine("Clearing cameras");
    CameraMgr::instance().clear();
    scripts_.releaseLensFlares();
    if (Handle<Texture> picture = loading_.takePicture()) images.releaseHandle(picture);

    // 3. The targets' buffers go before the shaders; shaders that name a target still hold the object itself.
    log.writeLine("Destroying render targets");
    targets_.destroy();
    // 4.
    log.writeLine("Clearing shaders");
    if (ShaderManager* shaders = ShaderManager::instance()) shaders->clear();
    log.writeLine("Clearing images");
    images.clear();
    shadowImage_ = nullptr;
    targets_.release();  // nothing holds the targets any more
    archive_.reset();
}

void Demo::handleKeys() {
    if (!keys_) return;
    for (const platform::PlaybackKey key : keys_->take()) {
        switch (key) {
            case platform::PlaybackKey::PauseResume:
                togglePause();
                break;
            case platform::PlaybackKey::SeekBack:
                seekTo(clock_.time() - options_.seekStep);
                break;
            case platform::PlaybackKey::SeekForward:
                seekTo(clock_.time() + options_.seekStep);
                break;
            case platform::PlaybackKey::Reload:
                reloadScripts();
                break;
        }
    }
}

void Demo::reloadChanged(const std::vector<std::string>& files) {
    std::string names;
    for (const std::string& file : files) names += (names.empty() ? "" : ", ") + file;
    logger().writeLine("Changed in the content folder: " + names);
    const bool loaded = reloadScripts();
    // Also on standard output: an author running the player from a terminal sees each reload's outcome.
    std::printf("qv3rn: %s changed: %s\n", names.c_str(),
                loaded ? "the scripts were read again" : status_.c_str());
    std::fflush(stdout);
}

void Demo::setStatus(const std::string& status) {
    status_ = status;
    if (!status.empty()) logger().writeLine(status);
    platform::setCurrentWindowTitle(status.empty() ? settings().title : settings().title + " - " + status);
}

void Demo::togglePause() {
    if (options_.mode != DemoMode::Play) return;
    if (clock_.paused()) {
        clock_.resume();
        music_.setPaused(false);
        setStatus("");
        logger().printf("Resumed at %.3f s", clock_.time());
        return;
    }
    clock_.pause();
    music_.setPaused(true);
    showPause();
}

void Demo::showPause() {
    char text[64];
    std::snprintf(text, sizeof text, "paused at %.2f s", clock_.time());
    setStatus(text);
}

std::shared_ptr<Archive> Demo::reopenArchive(std::string& error) {
    if (!options_.dataFolder.empty()) return nullptr;
    auto archive = std::make_shared<Archive>();
    if (!archive->open(options_.archivePath, demoArchivePassword)) {
        error = "Unable to load data.dat";
        return nullptr;
    }
    return archive;
}

void Demo::seekTo(double seconds) {
    if (options_.mode != DemoMode::Play) return;
    const double target = std::clamp(seconds, 0.0, static_cast<double>(showLength));
    const double now = clock_.time();
    logger().printf("Seeking from %.3f s to %.3f s", now, target);
    if (target < now) {
        // Effects are destroyed once their interval is over: going back needs the timeline read again.
        EffectManager::instance().clear();
        std::string error;
        archive_ = reopenArchive(error);
        if (!error.empty()) {
            setStatus("the timeline could not be read again: " + error);
        } else {
            ImageRegistry::instance().setArchive(archive_);
            if (MeshManager* meshes = MeshManager::instance()) meshes->setArchive(archive_);
            try {
                scripts_.loadTimeline(archive_, {});
            } catch (...) {
                setStatus("SCRIPTING ERROR: " + currentLoadingFailure().oneLine());
            }
        }
        archive_.reset();
    }
    clock_.seek(target);
    music_.seek(target);
    if (clock_.paused()) showPause();
}

bool Demo::reloadScripts() {
    if (options_.mode != DemoMode::Play || !resourcesHeld_) return false;
    Log& log = logger();
    log.printf("Reloading every script at %.3f s", clock_.time());
    ImageRegistry& images = ImageRegistry::instance();

    // What the scripts made goes; the shadow image and the render targets stay, out of the registry meanwhile.
    EffectManager::instance().clear();
    SceneRegistry::instance().clear();
    if (MeshManager* meshes = MeshManager::instance()) meshes->clear();
    CameraMgr::instance().clear();
    scripts_.releaseLensFlares();
    if (ShaderManager* shaders = ShaderManager::instance()) shaders->clear();
    if (shadowImage_) images.remove(shadowImage_->name());
    for (PBuffer* target : targets_.all())
        if (target) images.remove(target->name());
    images.clear();

    std::string error;
    archive_ = reopenArchive(error);
    prepareRegistries();
    if (shadowImage_ && !images.add(shadowImage_)) {
        delete shadowImage_;
        shadowImage_ = nullptr;
    }
    for (PBuffer* target : targets_.all())
        if (target) images.add(target);

    bool loaded = false;
    if (!error.empty()) {
        setStatus("reload failed: " + error);
    } else {
        try {
            scripts_.load(archive_, {});
            loaded = true;
            setStatus("");
            log.writeLine("Reloaded");
        } catch (...) {
            const LoadingFailure failure = currentLoadingFailure();
            setStatus(std::string(failure.unknown ? "EXCEPTION CATCHED" : "SCRIPTING ERROR") + ": " +
                      failure.oneLine());
        }
    }
    archive_.reset();
    return loaded;
}

}  // namespace qv3rn
