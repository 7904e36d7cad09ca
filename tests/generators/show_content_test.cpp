// show_content_test.cpp -- The packed show: every script loads, every picture, font, video, program and mesh the
// scripts name is there, and every kind of effect, scene node, deformer and particle part has its place in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <set>

#include "data/archive.h"
#include "demo/music.h"
#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"
#include "effects/scene_registry.h"
#include "effects/show_loader.h"
#include "mesh/mesh_manager.h"
#include "particles/particle_generator.h"
#include "particles/particle_renderer.h"
#include "scene/deformers.h"
#include "scene/scene_grammar.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

// Names the demo itself asks the image registry for, and those the engine provides instead of reading files.
const char* const kDemoImages[] = {"sg_lensflare_1", "sg_lensflare_2", "sg_lensflare_3", "sg_lensflare_4",
                                   "sg_lensflare_5", "sg_lensflare_6", "PointLightAttenuation1D", "SpotLightCubeMap",
                                   "fireandsmoke"};
const std::set<std::string> kEngineImages = {"BigPixelBuffer.pbuffer", "SmallPixelBuffer.pbuffer", "ShadowImage.small"};

std::string withSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Every quoted value after a match of `pattern` in `script`, with the script's comments removed.
std::set<std::string> quotedAfter(const std::string& script, const std::string& pattern) {
    const std::string text = std::regex_replace(script, std::regex(";[^\n]*"), "");
    const std::regex quoted("(^|\\s)" + pattern + "\\s+\"([^\"]*)\"");
    std::set<std::string> values;
    for (std::sregex_iterator it(text.begin(), text.end(), quoted), end; it != end; ++it) values.insert((*it)[2]);
    return values;
}

// The archive the build writes (cmake/Content.cmake), its entry names, and the text of the scripts in it.
class PackedShow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(archive.open(QV3RN_DATA_ARCHIVE, "wolmz352")) << QV3RN_DATA_ARCHIVE << ": " << archive.lastError();
        for (const ArchiveEntry& entry : archive.entries()) entries.insert(withSlashes(entry.name));
    }
    std::string text(const std::string& name) {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(archive.readFile(name, bytes)) << "missing: " << name;
        return std::string(bytes.begin(), bytes.end());
    }
    // The script and every script it includes, joined.
    std::string withIncludes(const std::string& name) {
        std::string joined;
        std::vector<std::string> scripts = {name};
        for (size_t i = 0; i < scripts.size(); ++i) {
            const std::string script = text(scripts[i]);
            for (const std::string& include : quotedAfter(script, "Include")) {
                EXPECT_TRUE(entries.count(withSlashes(include))) << include;
                scripts.push_back(withSlashes(include));
            }
            joined += script + "\n";
        }
        return joined;
    }
    // The timeline and every scene script it names.
    std::string effects() { return withIncludes("data/effect/demo.effect"); }
    std::string scenes(const std::string& timeline) {
        std::string joined;
        for (const std::string& scene : quotedAfter(timeline, "Scene")) joined += text(withSlashes(scene)) + "\n";
        return joined;
    }

    Archive archive;
    std::set<std::string> entries;
};

TEST_F(PackedShow, HoldsTheScriptsTheLoadingPictureAndEveryDeclaredImage) {
    EXPECT_TRUE(entries.count("data/art/demo_loading.jpg") && entries.count("data/fnt/font.png"));

    // The shader scripts, the demo's own first and those it includes: their images, aliases and programs.
    std::set<std::string> declared, aliases, programs;
    std::vector<std::string> scripts = {"data/shader/demo.shader"};
    for (size_t i = 0; i < scripts.size(); ++i) {
        const std::string script = text(scripts[i]);
        for (const std::string& include : quotedAfter(script, "Include")) scripts.push_back(withSlashes(include));
        aliases.merge(quotedAfter(script, "Alias"));
        if (script.find("Program {") != std::string::npos) programs.merge(quotedAfter(script, "Name"));
        declared.merge(quotedAfter(script, "Image \\{[^}]*?\\sName"));
    }
    ASSERT_FALSE(declared.empty());
    for (const std::string& image : declared) {
        std::vector<std::string> files = {image};
        if (image == "spotlight.tga")  // the cube map's six faces
            files = {"spotlight_pos_x.tga", "spotlight_neg_x.tga", "spotlight_pos_y.tga",
                     "spotlight_neg_y.tga", "spotlight_pos_z.tga", "spotlight_neg_z.tga"};
        for (const std::string& file : files)
            EXPECT_TRUE(entries.count("data/art/" + file) || entries.count("data/fnt/" + file))
                << "declared image without a file: " << file;
    }
    for (const char* name : kDemoImages) EXPECT_TRUE(aliases.count(name)) << name;

    // Every picture, font and program the timeline names is declared; every video lies beside the player.
    const std::string effect = effects();
    const std::set<std::string> named = quotedAfter(effect, "(?:Image|Font|Brush)");
    EXPECT_GT(named.size(), 10u);
    for (const std::string& image : named)
        EXPECT_TRUE(declared.count(image) || aliases.count(image) || kEngineImages.count(image))
            << "\"" << image << "\" is not declared in the shader scripts";
    for (const std::string& program : quotedAfter(effect, "Program")) EXPECT_TRUE(programs.count(program)) << program;
    const auto streams = quotedAfter(effect, "Stream");
    EXPECT_FALSE(streams.empty());
    for (const std::string& video : streams)
        EXPECT_TRUE(fs::exists(QV3RN_PLAYER_FOLDER "/" + withSlashes(video))) << video;
    const auto sceneNames = quotedAfter(effect, "Scene");
    EXPECT_FALSE(sceneNames.empty());
    for (const std::string& scene : sceneNames) EXPECT_TRUE(entries.count(withSlashes(scene))) << scene;

    // Every mesh and shader the scene scripts name.
    const std::string scene = scenes(effect);
    for (const std::string& mesh : quotedAfter(scene, "(?:Object|Mesh|Src|Dst)"))
        EXPECT_TRUE(entries.count("data/obj/" + mesh)) << "mesh without a file: " << mesh;
    const std::set<std::string> shaders = quotedAfter(withIncludes("data/shader/demo.shader"), "Name");
    for (const std::string& shader : quotedAfter(scene, "(?:Shader|GlowShader|ZoomShader)"))
        EXPECT_TRUE(shaders.count(shader)) << "shader not declared: " << shader;
}

// Whether a line of the comment-free `script` starts with `keyword` (then a space, a brace or the line's end).
bool opensLine(const std::string& script, const std::string& keyword) {
    static const std::regex specials(R"([.^$|()\[\]{}*+?\\])");
    const std::string escaped = std::regex_replace(keyword, specials, R"(\$&)");
    const std::regex line("(^|\n)[ \t]*" + escaped + "(?=[ \t\r\n]|$)");
    return std::regex_search(std::regex_replace(script, std::regex(";[^\n]*"), ""), line);
}

// Every effect type, scene node block, deformer, particle generator and renderer the readers know is used by the
// show, and so are the mesh options; a kind added to a reader's table without a place in the show fails here.
TEST_F(PackedShow, EveryKindTheReadersKnowHasItsPlaceInTheShow) {
    // The blocks that open a child node, as the common node rows list them (the rest are a node's own lines).
    const std::set<std::string> nodeBlocks = {
        "PerPixelLighting {", "PerPixelBumpMapLighting {", "ShadowVolume {", "EdgeMesh {", "DeformMesh {",
        "Mesh {", "Mirror {", "Morph {", "Octree {", "Particles {", "DefaultLighting {", "Group {",
        "DirectionalLight {", "SpotLight {", "PointLight {", "Camera {", "ShadowPlane {", "Sparks {",
        "LensFlare {", "Volumizer {", "CubeGrid {", "MetaObject {"};
    const std::set<std::string> ownLines = {"Enable {", "Keyframer {", "KeyframerLW {"};
    std::set<std::string> tableBlocks;
    for (const auto& row : commonNodeRows())
        if (row.keyword.ends_with(" {") && !ownLines.count(row.keyword)) tableBlocks.insert(row.keyword);
    EXPECT_EQ(tableBlocks, nodeBlocks) << "a node kind was added or removed: give it its place in the show";

    const std::string timeline = effects();
    const std::string scene = scenes(timeline);
    struct Kinds {
        const char* what;
        std::vector<std::string> keywords;
        const std::string& script;
    };
    std::vector<std::string> effectTypes, deformerBlocks, generators, renderers;
    for (const EffectLoaderEntry& entry : effectLoaderTable) effectTypes.push_back(std::string(entry.typeName) + " {");
    for (int kind = 0; kind < deformerKindCount; ++kind)
        deformerBlocks.push_back(deformerKeyword(static_cast<DeformerKind>(kind)));
    for (const char* name : generatorKindNames) generators.push_back(std::string("Type \"") + name + "\"");
    for (const char* name : rendererKindNames) renderers.push_back(std::string("Type \"") + name + "\"");
    const std::vector<Kinds> kinds = {
        {"effect type", effectTypes, timeline},
        {"scene node", {nodeBlocks.begin(), nodeBlocks.end()}, scene},
        {"deformer", deformerBlocks, scene},
        {"particle generator", generators, scene},
        {"particle renderer", renderers, scene},
        {"mesh option", {"TwoPassBlending yes", "SurfaceBlending yes", "LazyPoints yes", "GlowShells", "Particles yes", "Zoom yes"},
         scene},
        {"camera switch", {"CameraSyncro {"}, timeline},
    };
    for (const Kinds& kind : kinds)
        for (const std::string& keyword : kind.keywords)
            EXPECT_TRUE(opensLine(kind.script, keyword)) << kind.what << " missing from the show: " << keyword;
}

TEST(ShowContent, MusicIsStereo44100AndOutlastsTheShow) {
    platform::PcmBuffer pcm;
    std::string error;
    ASSERT_TRUE(decodeVorbisFile(QV3RN_MUSIC_FILE, pcm, error)) << error;
    EXPECT_EQ((std::array{pcm.channels, pcm.sampleRate}), (std::array{2, 44100}));
    EXPECT_GE(pcm.seconds(), 252.0);
}

class ShowLoading : public test::GLTest {};

TEST_F(ShowLoading, EveryScriptLoadsAndEveryNamedResourceResolves) {
    const fs::path previous = fs::current_path();
    fs::current_path(QV3RN_CONTENT_STAGE);  // the folder laid out like the archive
    EffectManager manager;
    std::string error;
    EXPECT_TRUE(loadShow(ShowFiles{}, manager, error)) << error;
    ASSERT_NE(ShaderManager::instance(), nullptr);
    for (const char* name : kDemoImages) EXPECT_TRUE(ImageRegistry::instance().find(name)) << name;
    for (const char* name : {"font.png", "plasma.jpg", "brush_dissolve.png", "textfade_title.png"})
        EXPECT_TRUE(ImageRegistry::instance().find(name)) << name;
    // Every scene script of the content is one the timeline plays, and it loaded.
    int scenes = 0;
    for (const auto& entry : fs::directory_iterator("data/scene")) {
        const std::string scene = "data\\scene\\" + entry.path().filename().string();
        EXPECT_NE(SceneRegistry::instance().find(scene), nullptr) << scene;
        ++scenes;
    }
    EXPECT_GT(scenes, 5);
    // Torn down in the player's order: meshes hold their shaders, so they go first.
    manager.clear();
    SceneRegistry::instance().clear();
    if (MeshManager* meshes = MeshManager::instance()) meshes->clear();
    ShaderManager::instance()->clear();
    ImageRegistry::instance().clear();
    fs::current_path(previous);
}

}  // namespace
}  // namespace qv3rn
