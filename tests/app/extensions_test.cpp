// Tests of the extension registry: whole-token search, entry-point fetching, flags and the logged report.
#include "gl/extensions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

// A driver with given extension strings whose loader knows a given set of names.
class FakeDriver : public platform::GLDriver {
public:
    FakeDriver(std::string gl, std::map<std::string, void*> entryPoints) : gl_(std::move(gl)), entries_(entryPoints) {}
    const char* glExtensions() const override { return gl_.c_str(); }
    void* getProcAddress(const char* name) const override {
        auto it = entries_.find(name);
        return it == entries_.end() ? nullptr : it->second;
    }
    void add(const std::string& name) { entries_[name] = reinterpret_cast<void*>(&dummy); }
    void remove(const std::string& name) { entries_.erase(name); }

    static const char* wglString;

private:
    static void dummy() {}
    std::string gl_;
    std::map<std::string, void*> entries_;
};
const char* FakeDriver::wglString = "";

const char* fakeWglExtensions(platform::WglDC) { return FakeDriver::wglString; }

class ExtensionRegistry : public ::testing::Test {
protected:
    void SetUp() override { resetExtensions(); }
    void TearDown() override { resetExtensions(); }
};

std::vector<std::string> multitextureEntryPoints() {
    std::vector<std::string> names = {"glActiveTextureARB", "glClientActiveTextureARB"};
    for (const char* n : {"1", "2", "3", "4"})
        for (const char* t : {"d", "f", "i", "s"}) {
            names.push_back(std::string("glMultiTexCoord") + n + t + "ARB");
            names.push_back(std::string("glMultiTexCoord") + n + t + "vARB");
        }
    return names;
}

TEST(HasToken, MatchesWholeSpaceSeparatedTokensOnly) {
    EXPECT_TRUE(hasToken("GL_A GL_B GL_C", "GL_A"));
    EXPECT_TRUE(hasToken("GL_A GL_B GL_C", "GL_B"));
    EXPECT_TRUE(hasToken("GL_A GL_B GL_C", "GL_C"));
    EXPECT_FALSE(hasToken("GL_ARB_shadow_ambient", "GL_ARB_shadow"));
    EXPECT_TRUE(hasToken("GL_ARB_shadow_ambient GL_ARB_shadow", "GL_ARB_shadow"));  // found after a false hit
    EXPECT_FALSE(hasToken("XGL_A", "GL_A"));
    EXPECT_FALSE(hasToken("GL_A GL_B", ""));
    EXPECT_FALSE(hasToken("GL_A GL_B", "GL_A GL_B"));
    EXPECT_FALSE(hasToken("", "GL_A"));
}

TEST_F(ExtensionRegistry, ExtensionWithAllEntryPointsSetsFlagAndPointers) {
    FakeDriver driver("GL_ARB_multitexture", {});
    for (const std::string& name : multitextureEntryPoints()) driver.add(name);
    EXPECT_TRUE(loadExtension(driver, "GL_ARB_multitexture"));
    EXPECT_TRUE(GL_ARB_multitexture_Flag);
    EXPECT_NE(glActiveTextureARB, nullptr);
    EXPECT_NE(glMultiTexCoord4svARB, nullptr);
}

TEST_F(ExtensionRegistry, MissingEntryPointFailsAndKeepsEarlierPointers) {
    FakeDriver driver("GL_ARB_multitexture", {});
    for (const std::string& name : multitextureEntryPoints()) driver.add(name);
    driver.remove("glMultiTexCoord2fARB");
    EXPECT_FALSE(loadExtension(driver, "GL_ARB_multitexture"));
    EXPECT_FALSE(GL_ARB_multitexture_Flag);
    EXPECT_NE(glActiveTextureARB, nullptr);        // fetched before the missing one
    EXPECT_EQ(glMultiTexCoord2fARB, nullptr);      // the missing one
    EXPECT_EQ(glMultiTexCoord4svARB, nullptr);     // never reached
}

TEST_F(ExtensionRegistry, PromotedEntryPointsFallBackToTheirCoreNames) {
    FakeDriver driver("GL_EXT_blend_color GL_EXT_stencil_two_side", {});
    driver.add("glBlendColor");
    driver.add("glActiveStencilFace");
    EXPECT_TRUE(loadExtension(driver, "GL_EXT_blend_color"));
    EXPECT_NE(glBlendColorEXT, nullptr);
    EXPECT_FALSE(loadExtension(driver, "GL_EXT_stencil_two_side"));  // never became core under that name
}

TEST_F(ExtensionRegistry, ListedNameIsNotEnoughWithoutWholeTokenMatch) {
    FakeDriver driver("GL_ARB_shadow_ambient GL_EXT_texture_edge_clampX", {});
    EXPECT_FALSE(loadExtension(driver, "GL_ARB_shadow"));
    EXPECT_FALSE(GL_ARB_shadow_Flag);
    EXPECT_TRUE(loadExtension(driver, "GL_ARB_shadow_ambient"));
    EXPECT_TRUE(GL_ARB_shadow_ambient_Flag);
    EXPECT_FALSE(loadExtension(driver, "GL_EXT_texture_edge_clamp"));
}

TEST_F(ExtensionRegistry, WithoutTheWglStringQueryOnlyTheStringExtensionsCanLoad) {
    FakeDriver driver("GL_ARB_multisample", {});
    driver.add("wglGetExtensionsStringEXT");
    driver.add("wglSwapIntervalEXT");
    driver.add("wglGetSwapIntervalEXT");
    EXPECT_FALSE(loadExtension(driver, "WGL_ARB_extensions_string"));
    EXPECT_TRUE(loadExtension(driver, "WGL_EXT_extensions_string"));
    EXPECT_FALSE(loadExtension(driver, "WGL_EXT_swap_control"));
    EXPECT_FALSE(loadExtension(driver, "WGL_ARB_multisample"));
    EXPECT_FALSE(WGL_EXT_swap_control_Flag);
}

TEST_F(ExtensionRegistry, WglExtensionsAreCheckedAgainstTheWglString) {
    FakeDriver driver("", {{"wglGetExtensionsStringARB", reinterpret_cast<void*>(&fakeWglExtensions)}});
    driver.add("wglSwapIntervalEXT");
    driver.add("wglGetSwapIntervalEXT");
    FakeDriver::wglString = "WGL_ARB_extensions_string WGL_EXT_swap_control WGL_ARB_multisample";
    EXPECT_TRUE(loadExtension(driver, "WGL_EXT_swap_control"));
    EXPECT_TRUE(WGL_EXT_swap_control_Flag);
    EXPECT_TRUE(loadExtension(driver, "WGL_ARB_multisample"));  // no entry points of its own
    EXPECT_FALSE(loadExtension(driver, "WGL_ARB_pbuffer"));
    EXPECT_FALSE(loadExtension(driver, "GL_EXT_swap_control"));  // a GL entry is not looked for in the WGL string
}

TEST_F(ExtensionRegistry, NameWithoutEntryLooksInBothStringsAndSetsNoFlag) {
    FakeDriver driver("GL_SGI_color_matrix", {{"wglGetExtensionsStringARB", reinterpret_cast<void*>(&fakeWglExtensions)}});
    FakeDriver::wglString = "WGL_I3D_genlock";
    EXPECT_TRUE(loadExtension(driver, "GL_SGI_color_matrix"));
    EXPECT_TRUE(loadExtension(driver, "WGL_I3D_genlock"));
    EXPECT_FALSE(loadExtension(driver, "GL_EXT_texture_lod_bias"));
}

TEST_F(ExtensionRegistry, KnownButUnreportedExtensionsStayFalse) {
    FakeDriver driver("GL_EXT_blend_func_separate GL_EXT_clip_volume_hint", {});
    driver.add("glBlendFuncSeparateEXT");
    std::string list = extensionReportList;
    EXPECT_EQ(list.find("GL_EXT_blend_func_separate"), std::string::npos);
    Log log;
    ASSERT_TRUE(log.open("unreported.log"));
    reportExtensions(driver);
    EXPECT_FALSE(GL_EXT_blend_func_separate_Flag);
    EXPECT_FALSE(GL_EXT_clip_volume_hint_Flag);
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

using RealDriverReport = test::GLTest;

TEST_F(RealDriverReport, ReportsSeventyThreeLinesAndTheLimitSections) {
    resetExtensions();
    {
        Log log;
        ASSERT_TRUE(log.open("report.log"));
        reportExtensions(*context);
    }
    const auto lines = readLines("report.log");
    ASSERT_GE(lines.size(), 75u);
    EXPECT_EQ(lines[0], "--==[Extensions]==--");
    EXPECT_EQ(lines[74], "--==[Extensions]==--");
    int edgeClamp = 0;
    for (int i = 1; i <= 73; ++i) {
        const std::string& line = lines[i];
        ASSERT_EQ(line[0], '\t') << line;
        const bool success = line.size() > 8 && line.compare(line.size() - 8, 8, "\tSUCCESS") == 0;
        const bool failed = line.size() > 7 && line.compare(line.size() - 7, 7, "\tFAILED") == 0;
        EXPECT_TRUE(success || failed) << line;
        if (line.rfind("\tGL_EXT_texture_edge_clamp ", 0) == 0) ++edgeClamp;
        EXPECT_GE(line.find('\t', 1), 33u) << "name padded to 32 columns: " << line;
    }
    EXPECT_EQ(edgeClamp, 2);
    EXPECT_EQ(lines[10], "\tGL_ARB_multitexture             \tSUCCESS");
    EXPECT_EQ(lines[18], "\tGL_ARB_vertex_blend             \tFAILED");  // llvmpipe has no vertex blending
    EXPECT_EQ(lines[4], "\tWGL_ARB_pbuffer                 \tSUCCESS");    // framebuffer objects
    EXPECT_EQ(lines[9], "\tWGL_EXT_swap_control            \tFAILED");     // a pbuffer has no swap interval
    EXPECT_EQ(lines[75], "--==[GL_ARB_multitexture]==--");
    EXPECT_EQ(lines[77], "\tMax Texture Units       8");
    EXPECT_EQ(lines.back(), "--==[GL_EXT_texture_rectangle]==--");
}

TEST_F(RealDriverReport, FetchedPointersDriveTheContext) {
    resetExtensions();
    ASSERT_TRUE(loadExtension(*context, "GL_ARB_multitexture"));
    glActiveTextureARB(GL_TEXTURE3_ARB);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE3_ARB);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    resetExtensions();
}

}  // namespace
}  // namespace qv3rn
