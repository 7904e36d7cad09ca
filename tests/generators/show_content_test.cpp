// show_content_test.cpp -- The packed show: every script loads, and every picture, font, video and program the
// scripts name is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <regex>
#include <set>

#include "data/archive.h"
#include "demo/music.h"
#include "effects/effect_manager.h"
#include "effects/scene_registry.h"
#include "effects/show_loader.h"
#include "mesh/mesh_manager.h"
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

TEST(ShowContent, ArchiveHoldsTheScriptsTheLoadingPictureAndEveryDeclaredImage) {
    // Written by the build (cmake/Content.cmake): the archive, and the videos beside the player.
    Archive archive;
    ASSERT_TRUE(archive.open(QV3RN_DATA_ARCHIVE, "wolmz352")) << QV3RN_DATA_ARCHIVE << ": " << archive.lastError();
    std::set<std::string> entries;
    for (const ArchiveEntry& entry : archive.entries()) entries.insert(withSlashes(entry.name));
    auto text = [&](const std::string& name) {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(archive.readFile(name, bytes)) << "missing: " << name;
        return std::string(bytes.begin(), bytes.end());
    };
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
    const std::string effect = text("data/effect/demo.effect");
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
    for (const std::string& include : quotedAfter(effect, "Include")) EXPECT_TRUE(entries.count(withSlashes(include)));
    const auto scenes = quotedAfter(effect, "Scene");
    EXPECT_FALSE(scenes.empty());
    for (const std::string& scene : scenes) EXPECT_TRUE(entries.count(withSlashes(scene))) << scene;
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
    for (const char* scene :
         {"data\\scene\\tunnel_eye.scene", "data\\scene\\sparks.scene", "data\\scene\\lit_room.scene",
          "data\\scene\\break_pool.scene"})
        EXPECT_NE(SceneRegistry::instance().find(scene), nullptr) << scene;
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
