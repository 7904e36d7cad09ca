// End-to-end tests of the demo in a real headless context: the packed show played for seconds between its
// start-up and shut-down, seen in the log in their order; the end of the show; the failures that end the start.
#include <gtest/gtest.h>

#include <functional>

#include "demo_test_support.h"
#include "effects/effect_manager.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
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
};

TEST_F(DemoRun, ThePackedShowPlaysBetweenItsStartUpAndShutDownInTheirOrder) {
    packShowHere();
    stepClock(0.1);
    WatchedDemo demo;
    demo.setRunLimits({45, 0.0});
    EXPECT_EQ(demo.run(windows), 0);
    ASSERT_FALSE(demo.startupFailed()) << (windows.boxes.empty() ? "" : windows.boxes[0].text);
    EXPECT_TRUE(windows.boxes.empty());
    ASSERT_EQ(demo.frames.size(), 45u);
    const struct {
        float time;
        int r, g, b;
    } colours[] = {{0.5f, 0, 0, 0}, {1.5f, 255, 0, 0}, {2.5f, 0, 0, 0}, {3.5f, 0, 255, 0}, {4.5f, 0, 0, 0}};
    for (const auto& c : colours) EXPECT_TRUE(near(demo.colourAt(c.time), c.r, c.g, c.b)) << c.time;

    // The loaders drew the loading screen: one swap for its set-up and one per progress call, before the frames.
    const int progress = demo.loadingScreen().progress();
    EXPECT_GT(progress, 5);
    EXPECT_LE(progress, 164);
    EXPECT_EQ(windows.swaps, 1 + progress + 45);

    const auto lines = logLines();
    EXPECT_EQ(find(lines, "GL_INVALID"), -1);
    EXPECT_EQ(find(lines, "UNKNOWN OPENGL ERROR"), -1);
    // The effects and the shader script's images were read from the archive, which was closed once.
    EXPECT_GE(find(lines, "reading file from archive: data/effect/demo.effect"), 0);
    EXPECT_GE(find(lines, "reading file from archive: data/art/smoke.jpg"), 0);
    EXPECT_EQ(find(lines, "Closed archive", find(lines, "Closed archive") + 1), -1);
    const std::vector<std::string> order = {
        "--==[Extensions]==--",                             // the shell's report, before the demo's start-up
        "Opening archive data.dat",
        "Creating PBuffer",                                 // the big target
        "Creating PBuffer",                                 // the small one
        "Loading shader script data\\shader\\demo.shader",
        "Loading effect script data\\effect\\demo.effect",
        "Timeline: 4 effects",
        "Closed archive",
        "Music: 22050 Hz, 2 channels, 8.000 s",
        "Sound system: dummy; music playing from 0.000 s",
        "Loaded in",
        "Freeing music",
        "Clearing effects",
        "Clearing meshes",
        "Clearing cameras",
        // The targets give their buffers back before the shaders, one of which names a target, are cleared.
        "Destroying render targets",
        "PBufferATI::destroy() this=0x",
        "PBufferATI::destroy() this=0x",
        "Clearing shaders",
        "Clearing images",
    };
    int at = 0;
    for (const std::string& line : order) {
        const int found = find(lines, line, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << line;
        at = found + 1;
    }
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
    EXPECT_EQ(ShaderManager::instance()->frameTime(), demo.frames[3].time);  // the shaders drew at the frame's time
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

// A window system whose extension string lacks the pixel buffers.
struct NoPixelBuffers : test::ScriptedWindowSystem {
    void* getProcAddress(const char* name) const override {
        if (std::string(name) == "wglGetExtensionsStringARB")
            return reinterpret_cast<void*>(+[](platform::WglDC) {
                return "WGL_ARB_extensions_string WGL_ARB_pixel_format WGL_ARB_render_texture";
            });
        return ScriptedWindowSystem::getProcAddress(name);
    }
};

TEST_F(DemoRun, EachStartUpFailureShowsItsBoxAndLeavesNothingBehind) {
    using Prepare = std::function<void(DemoOptions&)>;
    const auto packWith = [this](const char* entry, std::string text) {
        return Prepare([this, entry, text](DemoOptions&) {
            files[entry] = test::textBytes(text);
            packShowHere();
        });
    };
    const Prepare packed = [this](DemoOptions&) { packShowHere(); };
    const auto packedThen = [this](std::function<void()> then) {
        return Prepare([this, then](DemoOptions&) {
            packShowHere();
            then();
        });
    };
    const struct {
        const char* what;
        Prepare prepare;
        const char* caption;
        std::string text;
        std::vector<const char*> logged;  // log lines that must be there
        const char* notReached = "";      // the log line of a later step
        bool pixelBuffers = true;
    } cases[] = {
        {"no pixel buffers", packed, "ERROR", "Needs WGL extensions: WGL_ARB_pbuffer, WGL_ARB_render_texture", {},
         "Opening archive", false},
        {"no archive", [](DemoOptions&) {}, "ERROR", "Unable to load data.dat", {}, "Creating PBuffer"},
        {"damaged archive",
         [](DemoOptions&) { test::writeFile("data.dat", test::textBytes("PK\x03\x04 and no zip after it")); },
         "ERROR", "Unable to load data.dat", {}, "Creating PBuffer"},
        {"no content folder", [](DemoOptions& options) { options.dataFolder = "nowhere"; }, "ERROR",
         "Unable to open the content folder nowhere", {}, "Creating PBuffer"},
        {"effect token", packWith("data/effect/demo.effect", "Flash {\n  Name \"bad\"\n  Start 1\n  Glow 3\n}\n"),
         "SCRIPTING ERROR", "FlashEffect unknown token Glow 3\n\nin data\\effect\\demo.effect, line 4", {}, "Music:"},
        {"missing image", packWith("data/shader/demo.shader", "; images\nImage {\n  Name \"absent.tga\"\n}\n"),
         "SCRIPTING ERROR", "PARSE ERROR! Image not loaded absent.tga\n\nin data\\shader\\demo.shader, line 3", {},
         "Music:"},
        {"shader token", packWith("data/shader/demo.shader", "Shader {\n  Name \"s\"\n  Bogus line\n}\n"),
         "SCRIPTING ERROR", "PARSE ERROR! Unknown Shader Token\n\nin data\\shader\\demo.shader, line 3", {},
         "Music:"},
        {"no effect script",
         [this](DemoOptions&) {
             files.erase("data/effect/demo.effect");
             packShowHere();
         },
         "SCRIPTING ERROR", "data\\effect\\demo.effect: unable to open the effect script", {}, "Music:"},
        {"no music", packedThen([] { fs::remove(Music::fileName); }), "ERROR", "Unable to load sample",
         {"Closed archive", "Unable to load sample: "}},
        {"damaged music",
         packedThen([] { test::writeFile(Music::fileName, test::textBytes("OggS and then nothing that decodes")); }),
         "ERROR", "Unable to load sample", {"Closed archive", "Unable to load sample: "}},
        {"music only in the archive",  // the music is read from the working folder, never from the archive
         [this](DemoOptions&) {
             files[Music::fileName] = test::vorbisFile(1.0);
             test::packShow("data.dat", files);
         },
         "ERROR", "Unable to load sample", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        files = test::showFiles();
        fs::remove("data.dat");
        fs::remove(Music::fileName);
        DemoOptions options;
        c.prepare(options);
        NoPixelBuffers limited;
        test::ScriptedWindowSystem full;
        test::ScriptedWindowSystem& system = c.pixelBuffers ? full : limited;
        WatchedDemo demo(options);
        demo.run(system);
        EXPECT_TRUE(demo.startupFailed());
        ASSERT_EQ(system.boxes.size(), 1u);
        EXPECT_EQ(system.boxes[0].caption, c.caption);
        EXPECT_EQ(system.boxes[0].text, c.text);
        EXPECT_TRUE(demo.frames.empty());
        const auto lines = logLines();
        for (const char* line : c.logged) EXPECT_GE(find(lines, line), 0) << line;
        if (*c.notReached) {
            EXPECT_EQ(find(lines, c.notReached), -1) << c.notReached;
        }
        EXPECT_EQ(fs::current_path(), folder.path());
        expectNothingLeft();
    }
}

}  // namespace
}  // namespace qv3rn
