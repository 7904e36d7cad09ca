// The whole demo in a real headless context: play, pause, seek, reload from a folder, start failures.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "demo_test_support.h"
#include "effects/effect_manager.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using platform::PlaybackKey;
using test::near;
using test::WatchedDemo;

class DemoRun : public test::DemoRunTest {
protected:
    // Everything the demo registered is gone again.
    static void expectNothingLeft() {
        EXPECT_TRUE(ImageRegistry::instance().images().empty());
        EXPECT_TRUE(ImageRegistry::instance().decoders().empty());
        EXPECT_TRUE(EffectManager::instance().pending().empty());
        EXPECT_TRUE(EffectManager::instance().active().empty());
        EXPECT_EQ(EffectManager::instance().findRenderTarget("BigPixelBuffer.pbuffer"), nullptr);
        EXPECT_TRUE(ShaderManager::instance()->shaders().empty());
    }
    // Presses `keys` before the update of `frame`, after `first`.
    static void pressBefore(WatchedDemo& demo, int frame, std::vector<PlaybackKey> keys,
                            std::function<void()> first = {}) {
        demo.beforeFrame[frame] = [keys, first](WatchedDemo& d) {
            if (first) first();
            ASSERT_NE(d.playbackKeys(), nullptr);
            for (PlaybackKey key : keys) d.playbackKeys()->press(key);
        };
    }
    // The sound device plays on in real time, so the music may be a little ahead of where it was put.
    static void expectMusicAt(const WatchedDemo& demo, double seconds) {
        ASSERT_TRUE(demo.music().playing());
        EXPECT_GE(demo.music().position(), seconds - 1e-3);
        EXPECT_LT(demo.music().position(), seconds + 1.5);
    }
};

TEST_F(DemoRun, ThePackedShowAndTheMusicPlayFromTheSeekTimeBetweenStartUpAndShutDownInTheirOrder) {
    packShowHere();
    stepClock(0.1);
    DemoOptions options;
    options.seek = 0.25;
    WatchedDemo demo(options);
    demo.setRunLimits({45, 0.0});
    demo.afterUpdate[1] = [](WatchedDemo& d) { expectMusicAt(d, 0.25); };
    EXPECT_EQ(demo.run(windows), 0);
    ASSERT_FALSE(demo.startupFailed()) << (windows.boxes.empty() ? "" : windows.boxes[0].text);
    EXPECT_TRUE(windows.boxes.empty());
    ASSERT_EQ(demo.frames.size(), 45u);
    EXPECT_FLOAT_EQ(demo.frames[0].time, 0.35f);  // the seek time + the first frame's 0.1
    const struct { float time; int r, g, b; } colours[] = {
        {0.55f, 0, 0, 0}, {1.55f, 255, 0, 0}, {2.55f, 0, 0, 0}, {3.55f, 0, 255, 0}, {4.55f, 0, 0, 0}};
    for (const auto& c : colours) EXPECT_TRUE(near(demo.colourAt(c.time), c.r, c.g, c.b)) << c.time;

    const auto lines = logLines();
    EXPECT_EQ(find(lines, "GL_INVALID"), -1);
    EXPECT_EQ(find(lines, "UNKNOWN OPENGL ERROR"), -1);
    // The effects and the shader script's images were read from the archive, which was closed once.
    EXPECT_GE(find(lines, "reading file from archive: data/effect/demo.effect"), 0);
    EXPECT_EQ(find(lines, "Closed archive", find(lines, "Closed archive") + 1), -1);
    int at = 0;
    for (const char* line : {
             "Loading shader script data\\shader\\demo.shader", "Loading effect script data\\effect\\demo.effect",
             // The targets give their buffers back before the shaders, one of which names a target, are cleared.
             "Destroying render targets", "PBufferATI::destroy() this=0x", "PBufferATI::destroy() this=0x",
             "Clearing shaders", "Clearing images"}) {
        const int found = find(lines, line, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << line;
        at = found + 1;
    }
    expectNothingLeft();
}

TEST_F(DemoRun, SpacePausesArrowsSeekFiveSecondsBothWaysAndGoingBackBringsFinishedEffectsBack) {
    packShowHere();
    stepClock(0.1);
    WatchedDemo demo;
    demo.setRunLimits({30, 0.0});
    double pausedMusic = 0.0;
    pressBefore(demo, 12, {PlaybackKey::PauseResume});
    demo.afterUpdate[12] = [&](WatchedDemo& d) {
        EXPECT_TRUE(d.paused());
        EXPECT_EQ(d.status(), "paused at 1.20 s");
        pausedMusic = d.music().position();
    };
    demo.afterUpdate[13] = [&](WatchedDemo& d) { EXPECT_EQ(d.music().position(), pausedMusic); };
    // A seek while paused moves the paused picture, and releases the red flash the timeline jumped past.
    pressBefore(demo, 14, {PlaybackKey::SeekForward});
    demo.afterUpdate[14] = [](WatchedDemo& d) { EXPECT_EQ(d.status(), "paused at 6.20 s"); };
    pressBefore(demo, 16, {PlaybackKey::PauseResume});
    // At 6.4 s back to 1.4 s, where red must show again; at 1.5 s forward to 6.5 s.
    pressBefore(demo, 18, {PlaybackKey::SeekBack});
    demo.afterUpdate[18] = [](WatchedDemo& d) { expectMusicAt(d, 1.4); };
    pressBefore(demo, 19, {PlaybackKey::SeekForward});
    demo.afterUpdate[19] = [](WatchedDemo& d) { expectMusicAt(d, 6.5); };
    pressBefore(demo, 21, {PlaybackKey::SeekBack, PlaybackKey::SeekBack});  // back past the start stops at 0
    demo.run(windows);
    ASSERT_EQ(demo.frames.size(), 30u);
    const struct { int frame; float time; int r, g, b; } frames[] = {
        {12, 1.2f, 255, 0, 0}, {13, 1.2f, 255, 0, 0},                        // frozen, the picture stays while paused
        {14, 6.2f, 0, 0, 255}, {16, 6.2f, 0, 0, 255}, {17, 6.3f, 0, 0, 255},  // resumed where it stopped
        {18, 1.4f, 255, 0, 0}, {19, 6.5f, 0, 0, 255}, {21, 0.0f, 0, 0, 0},   {30, 0.9f, 0, 0, 0}};
    for (const auto& f : frames) {
        EXPECT_NEAR(demo.frames[f.frame - 1].time, f.time, 1e-4f) << f.frame;
        EXPECT_TRUE(near(demo.frames[f.frame - 1].middle, f.r, f.g, f.b)) << f.frame;
    }
    EXPECT_FALSE(demo.paused());
    EXPECT_EQ(demo.status(), "");
    const auto lines = logLines();
    EXPECT_GE(find(lines, "Seeking from 1.500 s to 6.500 s"), 0);
    // Going back read the timeline again from a freshly opened archive.
    EXPECT_GE(find(lines, "Opening archive data.dat", find(lines, "Seeking from 6.400 s to 1.400 s")), 0);
}

TEST_F(DemoRun, ReloadReadsTheContentFolderAgainAndAScriptErrorKeepsTheShowRunningWithoutASoundDevice) {
    test::writeShowFolder("content", files);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);  // the show plays silently
    test::writeFile(Music::fileName, test::vorbisFile(1.0, 22050));
    stepClock(0.1);
    DemoOptions options;
    options.dataFolder = "content";
    WatchedDemo demo(options);
    demo.setRunLimits({42, 0.0});
    const std::string effects = (folder.path() / "content/data/effect/demo.effect").string();
    // Red becomes yellow on disk, then a broken script, then magenta, each followed by R.
    const auto rewrite = [&](int frame, std::string text, std::vector<PlaybackKey> keys) {
        pressBefore(demo, frame, keys, [text, &effects] { std::ofstream(effects) << text; });
    };
    rewrite(12, test::showEffects("1 1 0 1"), {PlaybackKey::Reload});
    rewrite(20, "Flash {\n  Name \"x\"\n  Wobble 1\n}\n", {PlaybackKey::Reload});  // the title says what and where
    demo.afterUpdate[20] = [](WatchedDemo& d) {
        EXPECT_EQ(d.status(), "SCRIPTING ERROR: data\\effect\\demo.effect:3: FlashEffect unknown token Wobble 1");
    };
    rewrite(30, test::showEffects("1 0 1 1"), {PlaybackKey::Reload, PlaybackKey::SeekBack});  // magenta from 1 s
    demo.run(windows);
    ASSERT_FALSE(demo.startupFailed()) << (windows.boxes.empty() ? "" : windows.boxes[0].text);
    ASSERT_EQ(demo.frames.size(), 42u);
    EXPECT_TRUE(near(demo.colourAt(1.1f), 255, 0, 0));
    EXPECT_TRUE(near(demo.frames[11].middle, 255, 255, 0));  // 1.2 s, read again
    EXPECT_GT(demo.frames[25].time, 2.0f);  // the show went on after the error
    EXPECT_NEAR(demo.frames[41].time, 1.2f, 1e-4f);
    EXPECT_TRUE(near(demo.frames[41].middle, 255, 0, 255));
    EXPECT_EQ(demo.status(), "");
    EXPECT_TRUE(windows.boxes.empty());
    // The content folder was left again and nothing was read from an archive.
    EXPECT_EQ(fs::current_path(), folder.path());
    const auto lines = logLines();
    EXPECT_EQ(find(lines, "Opening archive"), -1);
    EXPECT_GE(find(lines, "SCRIPTING ERROR: data\\effect\\demo.effect:3:"), 0);
    EXPECT_FALSE(demo.music().hasDevice());
    EXPECT_GE(find(lines, "Unable to initiate Sound System ("), 0);
    EXPECT_EQ(ShaderManager::instance()->frameTime(), demo.frames.back().time);  // the shaders drew at its time
}

TEST_F(DemoRun, EachStartUpFailureShowsItsBoxAndLeavesNothingBehind) {
    const struct {
        const char* what;
        const char* entry;  // a show file replaced by `text` ("" removes it); nullptr: the show as it is
        std::string text;
        bool archive, withMusic;  // the show packed as data.dat; a good music file
        const char* caption;
        std::string box;
        const char* notReached = "";  // the log line of a later step
    } cases[] = {
        {"no archive", nullptr, "", false, true, "ERROR", "Unable to load data.dat", "Creating PBuffer"},
        {"effect token", "data/effect/demo.effect", "Flash {\n  Name \"bad\"\n  Start 1\n  Glow 3\n}\n", true,
         true, "SCRIPTING ERROR", "FlashEffect unknown token Glow 3\n\nin data\\effect\\demo.effect, line 4",
         "Music:"},
        {"missing image", "data/shader/demo.shader", "; images\nImage {\n  Name \"absent.tga\"\n}\n", true, true,
         "SCRIPTING ERROR", "PARSE ERROR! Image not loaded absent.tga\n\nin data\\shader\\demo.shader, line 3",
         "Music:"},
        {"no music", nullptr, "", true, false, "ERROR", "Unable to load sample"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files = test::showFiles();
        if (c.entry && c.text.empty()) files.erase(c.entry);
        else if (c.entry) files[c.entry] = test::textBytes(c.text);
        fs::remove("data.dat");
        fs::remove(Music::fileName);
        if (c.archive) test::packShow("data.dat", files);
        if (c.withMusic) test::writeFile(Music::fileName, test::vorbisFile(8.0, 22050));
        test::ScriptedWindowSystem system;
        WatchedDemo demo;
        demo.run(system);
        EXPECT_TRUE(demo.startupFailed());
        ASSERT_EQ(system.boxes.size(), 1u);
        EXPECT_EQ(system.boxes[0].caption, c.caption);
        EXPECT_EQ(system.boxes[0].text, c.box);
        EXPECT_TRUE(demo.frames.empty());
        const auto lines = logLines();
        if (*c.notReached) {
            EXPECT_EQ(find(lines, c.notReached), -1) << c.notReached;
        } else if (c.archive) {  // the music fails after the archive was read and closed
            EXPECT_GE(find(lines, "Unable to load sample: ", find(lines, "Closed archive")), 0);
        }
        EXPECT_EQ(fs::current_path(), folder.path());
        expectNothingLeft();
    }
}

}  // namespace
}  // namespace qv3rn
