// Tests of steering a running show: the start time, pausing, seeking both ways with the music following, and
// reading the scripts again from a content folder, with a script error shown instead of ending the show.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "demo_test_support.h"
#include "effects/effect_manager.h"

namespace qv3rn {
namespace {

using platform::PlaybackKey;
using test::near;
using test::WatchedDemo;

class DemoPlayback : public test::DemoRunTest {
protected:
    static void press(WatchedDemo& demo, PlaybackKey key) {
        ASSERT_NE(demo.playbackKeys(), nullptr);
        demo.playbackKeys()->press(key);
    }
    // The sound device plays on in real time, so the music may be a little ahead of where it was put.
    static void expectMusicAt(const WatchedDemo& demo, double seconds) {
        ASSERT_TRUE(demo.music().playing());
        EXPECT_GE(demo.music().position(), seconds - 1e-3);
        EXPECT_LT(demo.music().position(), seconds + 1.5);
    }
};

TEST_F(DemoPlayback, TheShowAndTheMusicStartAtTheSeekTime) {
    packShowHere();
    stepClock(0.25);
    DemoOptions options;
    options.seek = 3.25;
    WatchedDemo demo(options);
    demo.setRunLimits({2, 0.0});
    demo.afterUpdate[1] = [](WatchedDemo& d) { expectMusicAt(d, 3.25); };
    demo.run(windows);
    ASSERT_EQ(demo.frames.size(), 2u);
    EXPECT_FLOAT_EQ(demo.frames[0].time, 3.5f);  // 3.25 + the first frame's 0.25
    EXPECT_TRUE(near(demo.frames[0].middle, 0, 255, 0));
    EXPECT_GE(find(logLines(), "music playing from 3.250 s"), 0);
}

TEST_F(DemoPlayback, SpacePausesTheTimelineAndTheMusicAndResumesWhereItStopped) {
    packShowHere();
    stepClock(0.1);
    WatchedDemo demo;
    demo.setRunLimits({20, 0.0});
    double pausedMusic = 0.0;
    demo.beforeFrame[12] = [](WatchedDemo& d) { press(d, PlaybackKey::PauseResume); };
    demo.afterUpdate[12] = [&](WatchedDemo& d) {
        EXPECT_TRUE(d.paused());
        EXPECT_EQ(d.status(), "paused at 1.20 s");
        pausedMusic = d.music().position();
    };
    demo.afterUpdate[13] = [&](WatchedDemo& d) { EXPECT_EQ(d.music().position(), pausedMusic); };
    // A seek while paused moves the paused picture.
    demo.beforeFrame[14] = [](WatchedDemo& d) { press(d, PlaybackKey::SeekForward); };
    demo.afterUpdate[14] = [](WatchedDemo& d) { EXPECT_EQ(d.status(), "paused at 6.20 s"); };
    demo.beforeFrame[16] = [](WatchedDemo& d) { press(d, PlaybackKey::PauseResume); };
    demo.run(windows);
    ASSERT_EQ(demo.frames.size(), 20u);
    for (int frame = 12; frame <= 13; ++frame)
        EXPECT_NEAR(demo.frames[frame - 1].time, 1.2f, 1e-4f) << frame;  // frozen
    EXPECT_TRUE(near(demo.frames[12].middle, 255, 0, 0));               // the picture stays while paused
    for (int frame = 14; frame <= 16; ++frame) EXPECT_NEAR(demo.frames[frame - 1].time, 6.2f, 1e-4f) << frame;
    EXPECT_TRUE(near(demo.frames[14].middle, 0, 0, 255));
    EXPECT_NEAR(demo.frames[16].time, 6.3f, 1e-4f);  // resumed where it was paused
    EXPECT_FALSE(demo.paused());
    EXPECT_EQ(demo.status(), "");
}

TEST_F(DemoPlayback, ArrowsSeekFiveSecondsBothWaysAndGoingBackBringsFinishedEffectsBack) {
    packShowHere();
    stepClock(0.1);
    WatchedDemo demo;
    demo.setRunLimits({30, 0.0});
    // At 1.5 s (red), forward to 6.5 s (blue); then back to 1.6 s, where red must show again although its
    // effect was released when the timeline jumped past it.
    demo.beforeFrame[15] = [](WatchedDemo& d) { press(d, PlaybackKey::SeekForward); };
    demo.afterUpdate[15] = [](WatchedDemo& d) { expectMusicAt(d, 6.5); };
    demo.beforeFrame[16] = [](WatchedDemo& d) { press(d, PlaybackKey::SeekBack); };
    demo.afterUpdate[16] = [](WatchedDemo& d) { expectMusicAt(d, 1.6); };
    // Back past the start stops at 0.
    demo.beforeFrame[20] = [](WatchedDemo& d) {
        press(d, PlaybackKey::SeekBack);
        press(d, PlaybackKey::SeekBack);
    };
    demo.run(windows);
    ASSERT_EQ(demo.frames.size(), 30u);
    EXPECT_NEAR(demo.frames[14].time, 6.5f, 1e-4f);
    EXPECT_TRUE(near(demo.frames[14].middle, 0, 0, 255));
    EXPECT_NEAR(demo.frames[15].time, 1.6f, 1e-4f);
    EXPECT_TRUE(near(demo.frames[15].middle, 255, 0, 0));
    EXPECT_NEAR(demo.frames[19].time, 0.0f, 1e-4f);
    EXPECT_TRUE(near(demo.frames[19].middle, 0, 0, 0));
    EXPECT_NEAR(demo.frames[29].time, 1.0f, 1e-4f);
    const auto lines = logLines();
    EXPECT_GE(find(lines, "Seeking from 1.500 s to 6.500 s"), 0);
    // Going back read the timeline again from a freshly opened archive.
    EXPECT_GE(find(lines, "Opening archive data.dat", find(lines, "Seeking from 6.600 s to 1.600 s")), 0);
}

TEST_F(DemoPlayback, ReloadReadsTheContentFolderAgainAndAScriptErrorKeepsTheShowRunning) {
    test::writeShowFolder("content", files);
    test::writeFile(Music::fileName, test::vorbisFile(1.0, 22050));
    stepClock(0.1);
    DemoOptions options;
    options.dataFolder = "content";
    WatchedDemo demo(options);
    demo.setRunLimits({42, 0.0});
    const std::string effects = (folder.path() / "content/data/effect/demo.effect").string();
    // Red becomes yellow on disk, then R.
    demo.beforeFrame[12] = [&](WatchedDemo& d) {
        std::ofstream(effects) << test::showEffects("1 1 0 1");
        press(d, PlaybackKey::Reload);
    };
    // A broken script: the title says what and where, the show goes on.
    demo.beforeFrame[20] = [&](WatchedDemo& d) {
        std::ofstream(effects) << "Flash {\n  Name \"x\"\n  Wobble 1\n}\n";
        press(d, PlaybackKey::Reload);
    };
    demo.afterUpdate[20] = [](WatchedDemo& d) {
        EXPECT_EQ(d.status(), "SCRIPTING ERROR: data\\effect\\demo.effect:3: FlashEffect unknown token Wobble 1");
    };
    // Fixed again.
    demo.beforeFrame[30] = [&](WatchedDemo& d) {
        std::ofstream(effects) << test::showEffects("1 0 1 1");
        press(d, PlaybackKey::Reload);
        press(d, PlaybackKey::SeekBack);  // to 0: magenta plays from 1 s again
    };
    demo.run(windows);
    ASSERT_FALSE(demo.startupFailed()) << (windows.boxes.empty() ? "" : windows.boxes[0].text);
    ASSERT_EQ(demo.frames.size(), 42u);
    EXPECT_TRUE(near(demo.colourAt(1.1f), 255, 0, 0));
    EXPECT_TRUE(near(demo.frames[11].middle, 255, 255, 0));  // 1.2 s, read again
    EXPECT_TRUE(near(demo.frames[12].middle, 255, 255, 0));
    EXPECT_GT(demo.frames[25].time, 2.0f);  // the show went on after the error
    EXPECT_NEAR(demo.frames[41].time, 1.2f, 1e-4f);
    EXPECT_TRUE(near(demo.frames[41].middle, 255, 0, 255));
    EXPECT_EQ(demo.status(), "");
    EXPECT_TRUE(windows.boxes.empty());
    // The content folder was left again and nothing was read from an archive.
    EXPECT_EQ(std::filesystem::current_path(), folder.path());
    const auto lines = logLines();
    EXPECT_EQ(find(lines, "Opening archive"), -1);
    EXPECT_GE(find(lines, "SCRIPTING ERROR: data\\effect\\demo.effect:3:"), 0);
}

}  // namespace
}  // namespace qv3rn
