// Tests of the display-mode dialog's logic: the mode filter, the entries and their log section, the selection,
// and how the chosen entry (read back into a mode) and button change the settings.
#include "app/display_mode_dialog.h"

#include <gtest/gtest.h>

#include "core/log.h"
#include "scripted_window_system.h"

namespace qv3rn {
namespace {

using platform::DisplayMode;
using platform::ModeDialogResult;

DisplayModeDialog::ModeSource modesFrom(const std::vector<DisplayMode>& modes) {
    return [modes](int index, DisplayMode& mode) {
        if (index < 0 || index >= static_cast<int>(modes.size())) return false;
        mode = modes[index];
        return true;
    };
}

AppSettings testSettings() { return AppSettings("Caption", 320, 200, 16, 24, 0, 0, false, true); }

TEST(DisplayModeDialog, OpeningListsModesOverEightBitsAndAtLeast640WideInOrderAndLogsThem) {
    test::TemporaryFolder folder;
    Log log;
    ASSERT_TRUE(log.open("modes.log"));
    const std::vector<DisplayMode> listed = {{320, 240, 32, 60}, {1024, 768, 32, 85}, {800, 600, 8, 60},
                                             {639, 480, 32, 60}, {640, 480, 16, 0}, {1280, 1024, 24, 75},
                                             {640, 200, 15, 60}};
    const auto content = DisplayModeDialog::open(testSettings(), modesFrom(listed));
    log.close();
    EXPECT_EQ(content.caption, "Caption");
    EXPECT_EQ(content.aboutText, aboutText);
    EXPECT_EQ(content.entries, (std::vector<std::string>{"1024x768 32 BPP (85 Hz)", "640x480 16 BPP (0 Hz)",
                                                         "1280x1024 24 BPP (75 Hz)", "640x200 15 BPP (60 Hz)"}));
    EXPECT_EQ(content.selected, 1);  // the second entry
    EXPECT_EQ(test::readLines("modes.log"),
              (std::vector<std::string>{"--==[VideoModes]==--", "\t1024x768x32 85 Hz", "\t640x480x16 0 Hz",
                                        "\t1280x1024x24 75 Hz", "\t640x200x15 60 Hz", "--==[VideoModes]==--"}));
    for (const auto& modes :
         {std::vector<DisplayMode>{}, std::vector<DisplayMode>{{1024, 768, 32, 60}, {320, 200, 32, 60}}})
        EXPECT_EQ(DisplayModeDialog::open(testSettings(), modesFrom(modes)).selected, -1);  // fewer than two
}

TEST(DisplayModeDialog, ClosingStoresTheChosenModeExceptOnReboot) {
    using platform::kModeDialogFullscreen, platform::kModeDialogWindowed, platform::kModeDialogReboot;
    const char* const big = "1024x768 32 BPP (85 Hz)";
    const char* const small = "800x600 16 BPP (60 Hz)";
    const struct {
        int command;
        std::string chosen;
        bool vsync;
        int expectedCommand;
        std::vector<int> mode;  // width, height, bits, refresh rate afterwards
    } cases[] = {
        {kModeDialogFullscreen, big, true, kModeDialogFullscreen, {1024, 768, 32, 85}},
        {kModeDialogWindowed, big, true, kModeDialogWindowed, {1024, 768, 32, 85}},
        // Nothing selected: the empty text gives 640 x 480, 32 bits, frequency 0; missing fields keep those.
        {kModeDialogFullscreen, "", false, kModeDialogFullscreen, {640, 480, 32, 0}},
        {kModeDialogFullscreen, "800x600", false, kModeDialogFullscreen, {800, 600, 32, 0}},
        {kModeDialogFullscreen, "800x600 16 BPP", false, kModeDialogFullscreen, {800, 600, 16, 0}},
        // The close box answers with the "Windowed" code; any code but the three buttons' does the same.
        {0, small, true, kModeDialogWindowed, {800, 600, 16, 60}},
        {1003, small, true, kModeDialogWindowed, {800, 600, 16, 60}},
        {kModeDialogReboot, big, false, kModeDialogReboot, {320, 200, 16, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        AppSettings settings = testSettings();
        bool vsync = !c.vsync;
        EXPECT_EQ(DisplayModeDialog::close(ModeDialogResult{c.command, c.chosen, c.vsync}, settings, vsync),
                  c.expectedCommand);
        EXPECT_EQ((std::vector<int>{settings.width, settings.height, settings.colorBits, settings.refreshRate}),
                  c.mode);
        EXPECT_EQ(vsync, c.command == kModeDialogReboot ? !c.vsync : c.vsync);
        EXPECT_EQ(settings.depthBits, 24);  // the rest of the settings stays
        EXPECT_EQ(settings.title, "Caption");
    }
}

}  // namespace
}  // namespace qv3rn
