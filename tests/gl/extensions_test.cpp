// Tests of the extension registry: whole-token search, entry-point fetching, flags and the logged report.
#include "gl/extensions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/log.h"
#include "support/test_files.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

const char* wglString = "";
const char* fakeWglExtensions(platform::WglDC) { return wglString; }
void dummy() {}

// A driver with a given extension string whose loader knows a given set of names.
class FakeDriver : public platform::GLDriver {
public:
    FakeDriver(std::string gl, const std::vector<std::string>& names) : gl_(std::move(gl)) {
        for (const std::string& name : names) entries_[name] = reinterpret_cast<void*>(&dummy);
        entries_["wglGetExtensionsStringARB"] = reinterpret_cast<void*>(&fakeWglExtensions);
    }
    const char* glExtensions() const override { return gl_.c_str(); }
    void* getProcAddress(const char* name) const override {
        auto it = entries_.find(name);
        return it == entries_.end() ? nullptr : it->second;
    }
    std::map<std::string, void*> entries_;

private:
    std::string gl_;
};

class ExtensionRegistry : public ::testing::Test {
protected:
    void SetUp() override { resetExtensions(); }
    void TearDown() override { resetExtensions(); }
};

TEST_F(ExtensionRegistry, AnExtensionLoadsWithAllItsEntryPointsAndAMissingOneKeepsOnlyThoseBefore) {
    std::vector<std::string> names = {"glActiveTextureARB", "glClientActiveTextureARB"};
    for (const char* n : {"1", "2", "3", "4"})
        for (const char* t : {"d", "f", "i", "s"})
            for (const char* v : {"", "v"}) names.push_back(std::string("glMultiTexCoord") + n + t + v + "ARB");
    FakeDriver driver("GL_ARB_multitexture", names);
    EXPECT_TRUE(loadExtension(driver, "GL_ARB_multitexture"));
    EXPECT_TRUE(GL_ARB_multitexture_Flag);
    EXPECT_NE(glMultiTexCoord4svARB, nullptr);
    resetExtensions();
    driver.entries_.erase("glMultiTexCoord2fARB");
    EXPECT_FALSE(loadExtension(driver, "GL_ARB_multitexture"));
    EXPECT_FALSE(GL_ARB_multitexture_Flag);
    EXPECT_NE(glActiveTextureARB, nullptr);     // fetched before the missing one
    EXPECT_EQ(glMultiTexCoord2fARB, nullptr);   // the missing one
    EXPECT_EQ(glMultiTexCoord4svARB, nullptr);  // never reached
}

TEST_F(ExtensionRegistry, NamesAreFoundAsWholeTokensInTheirOwnStringWithCoreFallbacks) {
    FakeDriver driver(
        "GL_ARB_shadow_ambient GL_EXT_texture_edge_clampX GL_EXT_blend_color GL_EXT_stencil_two_side "
        "GL_SGI_color_matrixX GL_SGI_color_matrix",
        {"glBlendColor", "glActiveStencilFace", "wglSwapIntervalEXT", "wglGetSwapIntervalEXT"});
    wglString = "WGL_ARB_extensions_string WGL_EXT_swap_control WGL_ARB_multisample";
    const struct { const char* name; bool loads; } cases[] = {
        {"GL_ARB_shadow", false},  // only as the start of a longer name
        {"GL_ARB_shadow_ambient", true},    {"GL_EXT_texture_edge_clamp", false},
        {"GL_EXT_blend_color", true},        // promoted: the core name serves
        {"GL_EXT_stencil_two_side", false},  // never became core under that name
        {"GL_SGI_color_matrix", true},       // found after a longer name; no entry points and no flag
        {"WGL_EXT_swap_control", true},
        {"WGL_ARB_multisample", true},  // no entry points of its own
        {"WGL_ARB_pbuffer", false},
        {"GL_EXT_swap_control", false},  // a GL entry is not looked for in the WGL string
    };
    for (const auto& c : cases) EXPECT_EQ(loadExtension(driver, c.name), c.loads) << c.name;
    EXPECT_TRUE(GL_ARB_shadow_ambient_Flag);
    EXPECT_FALSE(GL_ARB_shadow_Flag);
    EXPECT_NE(glBlendColorEXT, nullptr);
    EXPECT_TRUE(WGL_EXT_swap_control_Flag);
}

using RealDriverReport = test::GLTest;

TEST_F(RealDriverReport, ReportsSeventyThreeLinesAndTheLimitSectionsAndTheFetchedPointersWork) {
    test::TemporaryFolder folder;
    resetExtensions();
    {
        Log log;
        ASSERT_TRUE(log.open("report.log"));
        reportExtensions(*context);
    }
    const auto lines = test::readLines("report.log");
    ASSERT_GE(lines.size(), 78u);
    EXPECT_EQ(lines[74], "--==[Extensions]==--");  // 73 extension lines between the two headings
    EXPECT_EQ(lines[10], "\tGL_ARB_multitexture             \tSUCCESS");
    EXPECT_TRUE(GL_ARB_occlusion_query_Flag && glGenQueriesARB && glGetQueryObjectuivARB);

    ASSERT_TRUE(GL_ARB_multitexture_Flag);
    glActiveTextureARB(GL_TEXTURE3_ARB);
    EXPECT_EQ(test::glInteger(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE3_ARB);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    resetExtensions();
}

}  // namespace
}  // namespace qv3rn
