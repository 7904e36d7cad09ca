// Tests that the effect script reader knows the brush, diffusion and buffer types and reports their errors
// with the file's line.
#include <gtest/gtest.h>

#include "effects/change_draw_buffer.h"
#include "effects/change_viewport.h"
#include "effects/clear_buffer.h"
#include "effects/diffusion_effect.h"
#include "effects/dissolve_brush.h"
#include "data/script_error.h"
#include "effects/hermite_brush.h"
#include "effects/spline_brush.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

TEST(BrushAndBufferScript, TheSevenTypesAreReadFromAScript) {
    const ParsedScript script = parseScript(
        "ChangeDrawBuffer {\n RenderTarget \"glow\"\n Layer 1\n}\n"
        "ChangeViewport {\n Viewport 0 0 320 240\n}\n"
        "ClearBuffer {\n Clear DEPTH\n}\n"
        "SplineBrush {\n PathIncrTime 0.5\n}\n"
        "HermiteBrush {\n Spline {\n  Point 0 1 2\n }\n}\n"
        "DissolveBrush {\n Start 2\n}\n"
        "Diffusion {\n DeformType DEFORM_4\n}\n"
        "ChangeDrawBuffer {\n RenderTarget \"Screen\"\n}\n");
    ASSERT_TRUE(script.parsed) << script.failure;
    const std::vector<Effect*> effects = script.effects();
    ASSERT_EQ(effects.size(), 8u);
    const std::uint32_t kinds[] = {1, 2, 3, 13, 7, 5, 4, 1};
    for (std::size_t k = 0; k < effects.size(); ++k) EXPECT_EQ(effects[k]->kind(), kinds[k]) << k;
    EXPECT_EQ(dynamic_cast<ChangeDrawBuffer&>(*effects[0]).targetName, "glow");
    EXPECT_EQ(effects[0]->layer(), 1);
    EXPECT_EQ(dynamic_cast<ChangeViewport&>(*effects[1]).width, 320);
    EXPECT_EQ(dynamic_cast<ClearBuffer&>(*effects[2]).buffers, 2u);
    EXPECT_FLOAT_EQ(dynamic_cast<SplineBrush&>(*effects[3]).pathIncrTime, 0.5f);
    EXPECT_EQ(dynamic_cast<HermiteBrush&>(*effects[4]).pointCount(), 1);
    EXPECT_FLOAT_EQ(effects[5]->start(), 2.0f);
    EXPECT_EQ(dynamic_cast<DiffusionEffect&>(*effects[6]).deformType, 4);
    EXPECT_EQ(dynamic_cast<ChangeDrawBuffer&>(*effects[7]).targetName, "Screen");
}

TEST(BrushAndBufferScript, ErrorsOfTheTypesCarryTheLine) {
    try {
        parseScript("; brushes\nHermiteBrush {\n Spline {\n  Point 0 1 2\n  Curve 1\n }\n}\n");
        FAIL() << "no error raised";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "HermiteBrushLoader unknown spline token:Curve 1");
        EXPECT_EQ(error.line(), 5);
    }
    try {
        parseScript("ClearBuffer {\n Clear\n}\n");
        FAIL() << "no error raised";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "ClearBuffer unknown token: Clear");  // "Clear" without its space
        EXPECT_EQ(error.line(), 2);
    }
}

}  // namespace
}  // namespace qv3rn::test
