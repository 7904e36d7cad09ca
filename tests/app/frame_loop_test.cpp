// Tests of the frame loop and its clock: event handling before frames, Escape and close, the run limits, and
// the start-up order seen by the application, on a real headless context with scripted input and clock.
#include <gtest/gtest.h>

#include "app/application.h"
#include "core/log.h"
#include "core/message_hook.h"
#include "recording_application.h"
#include "scripted_window_system.h"

namespace qv3rn {
namespace {

using platform::EventType;
using test::countOf;
using test::indexOf;
using test::makeEvent;

class FrameLoopTest : public ::testing::Test {
protected:
    void SetUp() override { windowSystem.trace = &app.trace; }

    // The part of the trace from the first frame on.
    std::vector<std::string> framesPart() const {
        const int first = indexOf(app.trace, "update");
        return first < 0 ? std::vector<std::string>{} : std::vector<std::string>(app.trace.begin() + first, app.trace.end());
    }

    test::TemporaryFolder folder;
    Log log;
    test::ScriptedWindowSystem windowSystem;
    test::RecordingApplication app;
};

TEST_F(FrameLoopTest, FirstUpdateGetsTheTimeFromTheClockStartToTheFirstFrame) {
    windowSystem.frequency = 1000;
    windowSystem.counterReadings = {1000, 1500, 1750, 1760};
    app.setRunLimits({3, 0.0});
    EXPECT_EQ(app.run(windowSystem), 0);
    ASSERT_EQ(app.updates.size(), 3u);
    EXPECT_FLOAT_EQ(app.updates[0], 0.5f);  // not 0: the time before the first frame counts
    EXPECT_FLOAT_EQ(app.updates[1], 0.25f);
    EXPECT_FLOAT_EQ(app.updates[2], 0.01f);
    EXPECT_DOUBLE_EQ(app.totalTime(), 0.76);
    EXPECT_DOUBLE_EQ(app.frameTime(), 0.01);
}

TEST_F(FrameLoopTest, ClockKeepsPrecisionOnLargeCounterValues) {
    // A counter in nanoseconds after weeks of uptime: differences must stay exact.
    const std::int64_t start = std::int64_t(1) << 62;
    windowSystem.frequency = 1'000'000'000;
    windowSystem.counterReadings = {start, start + 16'666'667, start + 33'333'334};
    app.setRunLimits({2, 0.0});
    app.run(windowSystem);
    ASSERT_EQ(app.updates.size(), 2u);
    EXPECT_NEAR(app.updates[0], 0.016666667, 1e-9);
    EXPECT_NEAR(app.totalTime(), 0.033333334, 1e-12);
}

TEST_F(FrameLoopTest, EveryWaitingEventIsHandledBeforeTheNextFrame) {
    app.setRunLimits({2, 0.0});
    app.onRender = [this](test::RecordingApplication&, int frame) {
        if (frame != 1) return;
        for (char key : {'a', 'b', 'c'}) windowSystem.input.push_back(makeEvent(EventType::Character, key));
    };
    app.run(windowSystem);
    const std::vector<std::string> expected = {
        "update", "render", "swap",
        "event Character 97", "event Character 98", "event Character 99",  // the burst delays frame 2
        "update", "render", "swap",
        "event Close", "shutdown", "event Quit"};
    EXPECT_EQ(framesPart(), expected);
}

TEST_F(FrameLoopTest, EventsWaitingBeforeTheLoopComeBeforeTheFirstFrame) {
    windowSystem.input = {makeEvent(EventType::Resize, 0, 100, 80), makeEvent(EventType::Character, 'x')};
    app.setRunLimits({1, 0.0});
    app.run(windowSystem);
    const int resized = indexOf(app.trace, "resize 100x80");
    ASSERT_GE(resized, 0);
    EXPECT_LT(resized, indexOf(app.trace, "update"));
    EXPECT_EQ(app.settings().width, 100);  // the size message stores the client size in the settings
    EXPECT_EQ(app.settings().height, 80);
}

TEST_F(FrameLoopTest, OtherKeysDoNothingWhileEscapeIsNotHeld) {
    app.setRunLimits({5, 0.0});
    windowSystem.input = {makeEvent(EventType::Character, 'q'), makeEvent(EventType::Character, '\r'),
                          makeEvent(EventType::Character, ' ')};
    app.run(windowSystem);
    EXPECT_EQ(app.frames, 5);  // only the frame limit ended the run
    EXPECT_EQ(countOf(app.trace, "shutdown"), 1);
}

TEST_F(FrameLoopTest, EscapeClosesTheWindowAndEndsTheLoop) {
    for (int key : {27, int('x')}) {  // Escape itself, or any key typed while Escape is held
        SCOPED_TRACE(key);
        test::RecordingApplication application;
        test::ScriptedWindowSystem system;
        system.trace = &application.trace;
        system.escapeDown = true;
        application.setRunLimits({50, 0.0});  // a safety net: the test fails rather than hangs
        application.onRender = [&system, key](test::RecordingApplication&, int frame) {
            if (frame == 2) system.input.push_back(makeEvent(EventType::Character, key));
        };
        application.run(system);
        EXPECT_EQ(application.frames, 2);
        EXPECT_EQ(countOf(application.trace, "shutdown"), 1);
        EXPECT_EQ(system.contextsReleased, 1);
        EXPECT_EQ(application.trace.back(), "event Quit");
    }
}

TEST_F(FrameLoopTest, CloseBoxShutsDownReleasesTheContextAndEndsTheLoop) {
    app.setRunLimits({50, 0.0});
    app.onRender = [this](test::RecordingApplication&, int frame) {
        if (frame == 3) windowSystem.input.push_back(makeEvent(EventType::Close));
    };
    app.run(windowSystem);
    EXPECT_EQ(app.frames, 3);
    EXPECT_EQ(countOf(app.trace, "shutdown"), 1);
    EXPECT_EQ(windowSystem.contextsReleased, 1);
    EXPECT_GE(windowSystem.windowsDestroyed, 1);
    EXPECT_EQ(Application::current(), nullptr);
}

TEST_F(FrameLoopTest, ApplicationAsksToCloseFromItsOwnFrame) {
    app.setRunLimits({50, 0.0});  // a safety net: the test fails rather than hangs
    app.onRender = [](test::RecordingApplication& self, int frame) {
        EXPECT_EQ(Application::current(), &self);
        if (frame == 4) self.postClose();
    };
    app.run(windowSystem);
    EXPECT_EQ(app.frames, 4);
    EXPECT_EQ(countOf(app.trace, "shutdown"), 1);
    EXPECT_FALSE(app.startupFailed());
}

TEST_F(FrameLoopTest, FrameLimitRunsExactlyThatManyFrames) {
    app.setRunLimits({3, 0.0});
    app.run(windowSystem);
    EXPECT_EQ(app.frames, 3);
    EXPECT_EQ(app.framesRun(), 3);
    EXPECT_EQ(windowSystem.swaps, 3);
    EXPECT_EQ(countOf(app.trace, "shutdown"), 1);
}

TEST_F(FrameLoopTest, DurationLimitClosesOnceTheClockPassesIt) {
    windowSystem.frequency = 1000;
    windowSystem.counterReadings = {0};
    windowSystem.tick = 250;  // every frame takes a quarter of a second
    app.setRunLimits({100, 1.0});  // the frame limit is a safety net: the clock must end the run first
    app.run(windowSystem);
    EXPECT_EQ(app.frames, 4);
    EXPECT_DOUBLE_EQ(app.totalTime(), 1.0);
}

TEST_F(FrameLoopTest, StartUpOrderSeenByTheApplication) {
    app.setRunLimits({1, 0.0});
    app.run(windowSystem);
    const std::vector<std::string> start(app.trace.begin(), app.trace.begin() + 4);
    // Showing the window reports its size before initialize; run reports it once more after.
    EXPECT_EQ(start, (std::vector<std::string>{"resize 64x48", "initialize", "resize 64x48", "update"}));
    const std::string logText = test::readFile(folder.path() / "application.log");
    EXPECT_NE(logText.find("--==[Extensions]==--"), std::string::npos);  // the report ran before initialize
    EXPECT_NE(logText.find("Setting Swap Interval: "), std::string::npos);
}

TEST_F(FrameLoopTest, InitializeFailureEndsTheStartWithoutFrames) {
    app.initializeResult = false;
    app.setRunLimits({3, 0.0});
    EXPECT_EQ(app.run(windowSystem), 0);
    EXPECT_TRUE(app.startupFailed());
    EXPECT_EQ(app.frames, 0);
    EXPECT_EQ(countOf(app.trace, "shutdown"), 0);  // shutdown belongs to the close, not to a failed start
    EXPECT_EQ(windowSystem.contextsReleased, 1);
    EXPECT_EQ(Application::current(), nullptr);
}

TEST_F(FrameLoopTest, ErrorBoxesFromBelowGoToTheWindowSystemOnlyWhileTheApplicationRuns) {
    app.onRender = [](test::RecordingApplication& running, int) {
        showMessage("VERTEX PROGRAM", "line 2, char 1: error: syntax error");
        running.postClose();
    };
    app.run(windowSystem);
    ASSERT_EQ(windowSystem.boxes.size(), 1u);
    EXPECT_EQ(windowSystem.boxes[0].caption, "VERTEX PROGRAM");
    EXPECT_EQ(windowSystem.boxes[0].text, "line 2, char 1: error: syntax error");

    // After the run nothing shows boxes: the message goes to standard error, and never waits.
    ::testing::internal::CaptureStderr();
    showMessage("TGA", "Unsupported image type.");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "TGA: Unsupported image type.\n");
    EXPECT_EQ(windowSystem.boxes.size(), 1u);
}

}  // namespace
}  // namespace qv3rn
