// End-to-end tests of the demo in a real headless context: the packed show played for a few seconds, the end
// of the show, the start-up and shut-down order seen in the log, and the failures that end the start-up.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/pbuffer.h"
#include "demo_test_support.h"
#include "effects/effect_manager.h"
#include "platform/wgl.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"

namespace qv3rn {
namespace {

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
        ASSERT_NE(ShaderManager::instance(), nullptr);
        EXPECT_TRUE(ShaderManager::instance()->shaders().empty());
    }
};

TEST_F(DemoRun, ThePackedShowPlaysItsTimelineForSecondsWithTheLoadingScreenFirst) {
    packShowHere();
    stepClock(0.1);
    WatchedDemo demo;
    demo.setRunLimits({45, 0.0});
    EXPECT_EQ(demo.run(windows), 0);
    ASSERT_FALSE(demo.startupFailed()) << (windows.boxes.empty() ? "" : windows.boxes[0].text);
    EXPECT_TRUE(windows.boxes.empty());
    ASSERT_EQ(demo.frames.size(), 45u);

    EXPECT_TRUE(near(demo.colourAt(0.5f), 0, 0, 0));
    EXPECT_TRUE(near(demo.colourAt(1.5f), 255, 0, 0));
    EXPECT_TRUE(near(demo.colourAt(2.5f), 0, 0, 0));
    EXPECT_TRUE(near(demo.colourAt(3.5f), 0, 255, 0));
    EXPECT_TRUE(near(demo.colourAt(4.5f), 0, 0, 0));

    // The loaders drew the loading screen: one swap for its set-up and one per progress call, before the frames.
    const int progress = demo.loadingScreen().progress();
    EXPECT_GT(progress, 5);
    EXPECT_LE(progress, 164);
    EXPECT_EQ(windows.swaps, 1 + progress + 45);

    const auto lines = logLines();
    EXPECT_EQ(find(lines, "GL_INVALID"), -1);
    EXPECT_EQ(find(lines, "UNKNOWN OPENGL ERROR"), -1);
    EXPECT_GE(find(lines, "Sound system: dummy; music playing from 0.000 s"), 0);
    expectNothingLeft();
}

TEST_F(DemoRun, TheShowEndsInTheFirstFramePast252SecondsNotAtThem) {
    packShowHere();
    windows.frequency = 1000;
    windows.counterReadings = {0, 1500, 251999, 252000, 252001, 252002, 252003};
    WatchedDemo demo;
    demo.run(windows);
    ASSERT_FALSE(demo.startupFailed());
    ASSERT_EQ(demo.frames.size(), 4u);  // nothing after the frame that ended the show
    EXPECT_FLOAT_EQ(demo.frames[0].time, 1.5f);
    EXPECT_TRUE(near(demo.frames[0].middle, 255, 0, 0));
    EXPECT_FLOAT_EQ(demo.frames[1].time, 251.999f);
    EXPECT_EQ(demo.frames[2].time, 252.0f);  // still playing
    EXPECT_FLOAT_EQ(demo.frames[3].time, 252.001f);
    EXPECT_EQ(demo.framesRun(), 4);
    EXPECT_EQ(ImageRegistry::instance().time(), 252.001f);
}

TEST_F(DemoRun, StartUpAndShutDownHappenInTheirOrder) {
    packShowHere();
    stepClock(0.1);
    WatchedDemo demo;
    demo.setRunLimits({3, 0.0});
    demo.run(windows);
    ASSERT_FALSE(demo.startupFailed());
    const auto lines = logLines();

    const std::vector<std::string> startUp = {
        "--==[Extensions]==--",                       // the shell's report, before the demo's initialisation
        "Opening archive data.dat",                   // 2.
        "Creating PBuffer",                           // 7. (the big target)
        "Creating PBuffer",                           //    (the small one)
        "Loading shader script data\\shader\\demo.shader",  // 10.1
        "Loading effect script data\\effect\\demo.effect",  // 10.4
        "Timeline: 4 effects",
        "Closed archive",                             // 11.
        "Music: 22050 Hz, 2 channels, 8.000 s",       // 13.
        "Sound system: dummy",
        "Loaded in",                                  // 15.
    };
    const std::vector<std::string> shutDown = {"Freeing music", "Clearing effects", "Clearing meshes",
                                               "Clearing cameras", "Clearing shaders", "Destroying render targets",
                                               "Clearing images"};
    int at = 0;
    for (const std::string& line : startUp) {
        const int found = find(lines, line, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << line;
        at = found + 1;
    }
    // The effects were read from the archive, the images of the shader script too.
    EXPECT_GE(find(lines, "reading file from archive: data/effect/demo.effect"), 0);
    EXPECT_GE(find(lines, "reading file from archive: data/art/smoke.jpg"), 0);
    EXPECT_EQ(find(lines, "Closed archive", find(lines, "Closed archive") + 1), -1);  // closed once
    for (const std::string& line : shutDown) {
        const int found = find(lines, line, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << line;
        at = found + 1;
    }
    expectNothingLeft();
}

TEST_F(DemoRun, WithoutPixelBuffersTheStartStopsBeforeTheArchive) {
    packShowHere();
    // A window system whose extension string lacks the pixel buffers.
    struct NoPbuffers : test::ScriptedWindowSystem {
        void* getProcAddress(const char* name) const override {
            if (std::string(name) == "wglGetExtensionsStringARB")
                return reinterpret_cast<void*>(+[](platform::WglDC) {
                    return "WGL_ARB_extensions_string WGL_ARB_pixel_format WGL_ARB_render_texture";
                });
            return ScriptedWindowSystem::getProcAddress(name);
        }
    } limited;
    WatchedDemo demo;
    demo.run(limited);
    EXPECT_TRUE(demo.startupFailed());
    ASSERT_EQ(limited.boxes.size(), 1u);
    EXPECT_EQ(limited.boxes[0].caption, "ERROR");
    EXPECT_EQ(limited.boxes[0].text, "Needs WGL extensions: WGL_ARB_pbuffer, WGL_ARB_render_texture");
    EXPECT_EQ(find(logLines(), "Opening archive"), -1);
    EXPECT_TRUE(demo.frames.empty());
}

TEST_F(DemoRun, AMissingOrDamagedArchiveStopsTheStartBeforeAnythingIsLoaded) {
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "missing");
        if (damaged) test::writeFile("data.dat", test::textBytes("PK\x03\x04 but nothing of a zip file after it"));
        test::ScriptedWindowSystem fresh;
        WatchedDemo demo;
        demo.run(fresh);
        EXPECT_TRUE(demo.startupFailed());
        ASSERT_EQ(fresh.boxes.size(), 1u);
        EXPECT_EQ(fresh.boxes[0].caption, "ERROR");
        EXPECT_EQ(fresh.boxes[0].text, "Unable to load data.dat");
        const auto lines = logLines();
        EXPECT_EQ(find(lines, "Creating PBuffer"), -1);
        EXPECT_EQ(find(lines, "Loading shader script"), -1);
        expectNothingLeft();
    }
}

TEST_F(DemoRun, ScriptErrorsShowTheirMessageWithFileAndLineAndEndTheStart) {
    const struct {
        const char* what;
        std::string shaders;
        std::string effects;
        const char* caption;
        std::string text;
    } cases[] = {
        {"effect token", test::showShaders(),
         "Flash {\n  Name \"bad\"\n  Start 1\n  Glow 3\n}\n", "SCRIPTING ERROR",
         "FlashEffect unknown token Glow 3\n\nin data\\effect\\demo.effect, line 4"},
        {"missing image", "; images\nImage {\n  Name \"absent.tga\"\n}\n", test::showEffects(), "SCRIPTING ERROR",
         "PARSE ERROR! Image not loaded absent.tga\n\nin data\\shader\\demo.shader, line 3"},
        {"shader token", "Shader {\n  Name \"s\"\n  Bogus line\n}\n", test::showEffects(), "SCRIPTING ERROR",
         "PARSE ERROR! Unknown Shader Token\n\nin data\\shader\\demo.shader, line 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files["data/shader/demo.shader"] = test::textBytes(c.shaders);
        files["data/effect/demo.effect"] = test::textBytes(c.effects);
        packShowHere();
        test::ScriptedWindowSystem fresh;
        WatchedDemo demo;
        demo.run(fresh);
        EXPECT_TRUE(demo.startupFailed());
        ASSERT_EQ(fresh.boxes.size(), 1u);
        EXPECT_EQ(fresh.boxes[0].caption, c.caption);
        EXPECT_EQ(fresh.boxes[0].text, c.text);
        EXPECT_TRUE(demo.frames.empty());
        expectNothingLeft();
    }
}

TEST_F(DemoRun, AnArchiveWithoutTheEffectScriptIsAScriptingError) {
    files.erase("data/effect/demo.effect");
    packShowHere();
    WatchedDemo demo;
    demo.run(windows);
    EXPECT_TRUE(demo.startupFailed());
    ASSERT_EQ(windows.boxes.size(), 1u);
    EXPECT_EQ(windows.boxes[0].caption, "SCRIPTING ERROR");
    EXPECT_EQ(windows.boxes[0].text, "data\\effect\\demo.effect: unable to open the effect script");
    expectNothingLeft();
}

TEST_F(DemoRun, AMissingOrDamagedMusicFileEndsTheStartAfterLoading) {
    packShowHere();
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged" : "missing");
        if (damaged) test::writeFile(Music::fileName, test::textBytes("OggS and then nothing that decodes"));
        else std::filesystem::remove(Music::fileName);
        test::ScriptedWindowSystem fresh;
        WatchedDemo demo;
        demo.run(fresh);
        EXPECT_TRUE(demo.startupFailed());
        ASSERT_EQ(fresh.boxes.size(), 1u);
        EXPECT_EQ(fresh.boxes[0].caption, "ERROR");
        EXPECT_EQ(fresh.boxes[0].text, "Unable to load sample");
        EXPECT_GE(find(logLines(), "Unable to load sample: "), 0);
        EXPECT_GE(find(logLines(), "Closed archive"), 0);  // everything else had loaded
        expectNothingLeft();
    }
}

TEST_F(DemoRun, WithoutASoundDeviceTheShowPlaysSilently) {
    packShowHere();
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    stepClock(0.5);
    WatchedDemo demo;
    demo.setRunLimits({4, 0.0});
    demo.run(windows);
    EXPECT_FALSE(demo.startupFailed());
    EXPECT_TRUE(windows.boxes.empty());
    EXPECT_EQ(demo.frames.size(), 4u);
    EXPECT_FALSE(demo.music().hasDevice());
    EXPECT_GE(find(logLines(), "Unable to initiate Sound System ("), 0);
}

TEST_F(DemoRun, TheMusicIsReadFromTheWorkingFolderNotFromTheArchive) {
    files["qv3rn x 10.ogg"] = test::vorbisFile(1.0);  // in the archive only
    test::packShow("data.dat", files);
    WatchedDemo demo;
    demo.run(windows);
    EXPECT_TRUE(demo.startupFailed());
    ASSERT_EQ(windows.boxes.size(), 1u);
    EXPECT_EQ(windows.boxes[0].text, "Unable to load sample");
}

}  // namespace
}  // namespace qv3rn
