// Tests of the display-mode dialog's logic: the mode filter, the entries and their log section, the selection,
// and how the chosen entry and button change the settings.
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

TEST(DisplayModeDialog, EntryParsesBackToTheModeItWasMadeFrom) {
    const std::string entry = DisplayModeDialog::entryText({1024, 768, 32, 85});
    EXPECT_EQ(entry, "1024x768 32 BPP (85 Hz)");
    const DisplayMode parsed = DisplayModeDialog::parseEntry(entry);
    EXPECT_EQ(parsed.width, 1024);
    EXPECT_EQ(parsed.height, 768);
    EXPECT_EQ(parsed.bitsPerPixel, 32);
    EXPECT_EQ(parsed.refreshRate, 85);

    for (const DisplayMode& mode : {DisplayMode{640, 480, 16, 0}, DisplayMode{1920, 1200, 24, 144},
                                    DisplayMode{12800, 9600, 32, 59}}) {
        const DisplayMode back = DisplayModeDialog::parseEntry(DisplayModeDialog::entryText(mode));
        EXPECT_EQ(back.width, mode.width);
        EXPECT_EQ(back.height, mode.height);
        EXPECT_EQ(back.bitsPerPixel, mode.bitsPerPixel);
        EXPECT_EQ(back.refreshRate, mode.refreshRate);
    }
}

TEST(DisplayModeDialog, FieldsThatDoNotParseKeepTheStartingValues) {
    const DisplayMode empty = DisplayModeDialog::parseEntry("");
    EXPECT_EQ(empty.width, 640);
    EXPECT_EQ(empty.height, 480);
    EXPECT_EQ(empty.bitsPerPixel, 32);
    EXPECT_EQ(empty.refreshRate, 0);

    const DisplayMode partial = DisplayModeDialog::parseEntry("800x600");
    EXPECT_EQ(partial.width, 800);
    EXPECT_EQ(partial.height, 600);
    EXPECT_EQ(partial.bitsPerPixel, 32);
    EXPECT_EQ(partial.refreshRate, 0);

    const DisplayMode noRate = DisplayModeDialog::parseEntry("800x600 16 BPP");
    EXPECT_EQ(noRate.bitsPerPixel, 16);
    EXPECT_EQ(noRate.refreshRate, 0);
}

TEST(DisplayModeDialog, OffersModesOverEightBitsAndAtLeast640Wide) {
    EXPECT_TRUE(DisplayModeDialog::offers({640, 480, 16, 60}));
    EXPECT_TRUE(DisplayModeDialog::offers({640, 200, 15, 60}));
    EXPECT_FALSE(DisplayModeDialog::offers({639, 480, 32, 60}));
    EXPECT_FALSE(DisplayModeDialog::offers({1024, 768, 8, 60}));
    EXPECT_FALSE(DisplayModeDialog::offers({320, 240, 4, 60}));
}

TEST(DisplayModeDialog, OpeningListsTheOfferedModesInOrderAndLogsThem) {
    test::TemporaryFolder folder;
    Log log;
    ASSERT_TRUE(log.open("modes.log"));
    const auto content = DisplayModeDialog::open(
        testSettings(), modesFrom({{320, 240, 32, 60}, {1024, 768, 32, 85}, {800, 600, 8, 60},
                                   {640, 480, 16, 0}, {1280, 1024, 24, 75}}));
    log.close();
    EXPECT_EQ(content.caption, "Caption");
    EXPECT_EQ(content.aboutText, aboutText);
    EXPECT_EQ(content.entries, (std::vector<std::string>{"1024x768 32 BPP (85 Hz)", "640x480 16 BPP (0 Hz)",
                                                         "1280x1024 24 BPP (75 Hz)"}));
    EXPECT_EQ(content.selected, 1);  // the second entry
    EXPECT_EQ(test::readLines("modes.log"),
              (std::vector<std::string>{"--==[VideoModes]==--", "\t1024x768x32 85 Hz", "\t640x480x16 0 Hz",
                                        "\t1280x1024x24 75 Hz", "--==[VideoModes]==--"}));
}

TEST(DisplayModeDialog, FewerThanTwoModesSelectNothing) {
    for (const auto& modes : {std::vector<DisplayMode>{}, std::vector<DisplayMode>{{1024, 768, 32, 60}},
                              std::vector<DisplayMode>{{1024, 768, 32, 60}, {320, 200, 32, 60}}}) {
        const auto content = DisplayModeDialog::open(testSettings(), modesFrom(modes));
        EXPECT_EQ(content.selected, -1);
        // With nothing selected the chosen text is empty: 640 x 480, 32 bits, frequency 0.
        AppSettings settings = testSettings();
        bool vsync = true;
        EXPECT_EQ(DisplayModeDialog::close(ModeDialogResult{platform::kModeDialogFullscreen, "", false}, settings,
                                           vsync),
                  platform::kModeDialogFullscreen);
        EXPECT_EQ(settings.width, 640);
        EXPECT_EQ(settings.height, 480);
        EXPECT_EQ(settings.colorBits, 32);
        EXPECT_EQ(settings.refreshRate, 0);
        EXPECT_FALSE(vsync);
    }
}

TEST(DisplayModeDialog, FullscreenAndWindowedStoreTheChosenMode) {
    for (int command : {int(platform::kModeDialogFullscreen), int(platform::kModeDialogWindowed)}) {
        AppSettings settings = testSettings();
        bool vsync = false;
        EXPECT_EQ(DisplayModeDialog::close(ModeDialogResult{command, "1024x768 32 BPP (85 Hz)", true}, settings,
                                           vsync),
                  command);
        EXPECT_EQ(settings.width, 1024);
        EXPECT_EQ(settings.height, 768);
        EXPECT_EQ(settings.colorBits, 32);
        EXPECT_EQ(settings.refreshRate, 85);
        EXPECT_TRUE(vsync);
        EXPECT_EQ(settings.depthBits, 24);  // the rest of the settings stays
        EXPECT_EQ(settings.title, "Caption");
    }
}

TEST(DisplayModeDialog, CloseBoxCountsAsWindowed) {
    // The widgets answer the close box with the "Windowed" code; any code but the three buttons' does the same.
    for (int command : {int(platform::kModeDialogWindowed), 0, -4, 1003}) {
        AppSettings settings = testSettings();
        bool vsync = false;
        EXPECT_EQ(DisplayModeDialog::close(ModeDialogResult{command, "800x600 16 BPP (60 Hz)", true}, settings, vsync),
                  platform::kModeDialogWindowed);
        EXPECT_EQ(settings.width, 800);
        EXPECT_EQ(settings.colorBits, 16);
        EXPECT_TRUE(vsync);
    }
}

TEST(DisplayModeDialog, RebootChangesNothing) {
    AppSettings settings = testSettings();
    bool vsync = false;
    EXPECT_EQ(DisplayModeDialog::close(ModeDialogResult{platform::kModeDialogReboot, "1024x768 32 BPP (85 Hz)", true},
                                       settings, vsync),
              platform::kModeDialogReboot);
    EXPECT_EQ(settings.width, 320);
    EXPECT_EQ(settings.refreshRate, -1);
    EXPECT_FALSE(vsync);
}

}  // namespace
}  // namespace qv3rn
