// The packed show: every script loads, and every picture, font, video and program the scripts name is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include <vorbis/vorbisfile.h>

#include "data/archive.h"
#include "effects/effect_manager.h"
#include "effects/show_loader.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;

// Written by the build (cmake/Content.cmake): the folder laid out like the archive, the archive and the music.
const std::string kStage = QV3RN_CONTENT_STAGE;
const std::string kArchive = QV3RN_DATA_ARCHIVE;
const std::string kMusic = QV3RN_MUSIC_FILE;
const std::string kPlayerFolder = QV3RN_PLAYER_FOLDER;

// Names the engine provides itself instead of reading them from files.
const std::set<std::string> kEngineImages = {"BigPixelBuffer.pbuffer", "SmallPixelBuffer.pbuffer", "ShadowImage.small"};

std::string withSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

struct PackedShow {
    std::set<std::string> entries;
    Archive archive;

    PackedShow() {
        if (!archive.open(kArchive, "wolmz352")) return;
        for (const ArchiveEntry& entry : archive.entries()) entries.insert(withSlashes(entry.name));
    }
    std::string text(const std::string& name) {
        std::vector<std::uint8_t> bytes;
        if (!archive.readFile(name, bytes)) return {};
        return std::string(bytes.begin(), bytes.end());
    }
};

// Every script line with `keyword` followed by a quoted value, with the script's comments removed.
std::vector<std::string> quotedAfter(const std::string& script, const std::string& keyword) {
    std::vector<std::string> values;
    std::istringstream in(script);
    std::string line;
    const std::regex pattern("(^|\\s)" + keyword + "\\s+\"([^\"]*)\"");
    while (std::getline(in, line)) {
        line = line.substr(0, line.find(';'));
        std::smatch match;
        if (std::regex_search(line, match, pattern)) values.push_back(match[2]);
    }
    return values;
}

// The shader scripts, the demo's own first: those it includes follow.
std::vector<std::string> shaderScripts(PackedShow& show) {
    std::vector<std::string> names = {"data/shader/demo.shader"};
    for (size_t i = 0; i < names.size(); ++i)
        for (const std::string& include : quotedAfter(show.text(names[i]), "Include"))
            names.push_back(withSlashes(include));
    return names;
}

TEST(ShowContent, ArchiveHoldsTheScriptsTheLoadingPictureAndEveryDeclaredImage) {
    PackedShow show;
    ASSERT_TRUE(show.archive.isOpen()) << kArchive << ": " << show.archive.lastError();
    for (const char* required :
         {"data/shader/demo.shader", "data/effect/demo.effect", "data/art/demo_loading.jpg", "data/fnt/font.png"})
        EXPECT_TRUE(show.entries.count(required)) << required;

    // Image names are the "Name" lines inside "Image {" blocks; program names those of scripts with programs.
    std::set<std::string> declared, aliases, programs;
    for (const std::string& script : shaderScripts(show)) {
        ASSERT_TRUE(show.entries.count(script)) << "included script missing: " << script;
        const std::string text = show.text(script);
        for (const std::string& alias : quotedAfter(text, "Alias")) aliases.insert(alias);
        if (text.find("Program {") != std::string::npos)
            for (const std::string& name : quotedAfter(text, "Name")) programs.insert(name);
        std::istringstream in(text);
        bool inImage = false;
        for (std::string line; std::getline(in, line);) {
            line = line.substr(0, line.find(';'));
            inImage = inImage || line.find("Image {") != std::string::npos;
            const auto names = quotedAfter(line, "Name");
            if (inImage && !names.empty()) {
                declared.insert(names[0]);
                inImage = false;
            }
        }
    }
    ASSERT_FALSE(declared.empty());
    for (const std::string& image : declared) {
        std::vector<std::string> files = {image};
        if (image == "spotlight.tga")  // the cube map's six faces
            files = {"spotlight_pos_x.tga", "spotlight_neg_x.tga", "spotlight_pos_y.tga",
                     "spotlight_neg_y.tga", "spotlight_pos_z.tga", "spotlight_neg_z.tga"};
        for (const std::string& file : files)
            EXPECT_TRUE(show.entries.count("data/art/" + file) || show.entries.count("data/fnt/" + file))
                << "declared image without a file: " << file;
    }
    // The names the demo itself asks the image registry for.
    for (const char* name : {"sg_lensflare_1", "sg_lensflare_2", "sg_lensflare_3", "sg_lensflare_4", "sg_lensflare_5",
                             "sg_lensflare_6", "PointLightAttenuation1D", "SpotLightCubeMap", "fireandsmoke"})
        EXPECT_TRUE(aliases.count(name)) << name;

    // Every picture, font and program the timeline names is declared; every video lies beside the player.
    const std::string effect = show.text("data/effect/demo.effect");
    ASSERT_FALSE(effect.empty());
    int named = 0;
    for (const char* keyword : {"Image", "Font", "Brush"})
        for (const std::string& image : quotedAfter(effect, keyword)) {
            ++named;
            EXPECT_TRUE(declared.count(image) || aliases.count(image) || kEngineImages.count(image))
                << keyword << " \"" << image << "\" is not declared in the shader scripts";
        }
    EXPECT_GT(named, 20);
    for (const std::string& program : quotedAfter(effect, "Program"))
        EXPECT_TRUE(programs.count(program)) << "program \"" << program << "\"";
    const auto streams = quotedAfter(effect, "Stream");
    EXPECT_FALSE(streams.empty());
    for (const std::string& video : streams) EXPECT_TRUE(fs::exists(kPlayerFolder + "/" + withSlashes(video))) << video;
    for (const std::string& include : quotedAfter(effect, "Include"))
        EXPECT_TRUE(show.entries.count(withSlashes(include))) << include;
}

TEST(ShowContent, MusicIsStereo44100AndOutlastsTheShow) {
    OggVorbis_File file;
    ASSERT_EQ(ov_fopen(kMusic.c_str(), &file), 0) << kMusic;
    const vorbis_info* info = ov_info(&file, -1);
    EXPECT_EQ(info->channels, 2);
    EXPECT_EQ(info->rate, 44100);
    EXPECT_GE(ov_time_total(&file, -1), 252.0);
    ov_clear(&file);
}

class ShowLoading : public test::GLTest {};

TEST_F(ShowLoading, EveryScriptLoadsAndEveryNamedResourceResolves) {
    const fs::path previous = fs::current_path();
    fs::current_path(kStage);
    EffectManager manager;
    std::string error;
    const bool loaded = loadShow(ShowFiles{}, manager, error);
    EXPECT_TRUE(loaded) << error;
    ShaderManager* shaders = ShaderManager::instance();
    ASSERT_NE(shaders, nullptr);
    for (const char* name : {"sg_lensflare_1", "sg_lensflare_6", "PointLightAttenuation1D", "SpotLightCubeMap",
                             "fireandsmoke", "font.png", "plasma.jpg", "brush_dissolve.png", "textfade_title.png"})
        EXPECT_TRUE(static_cast<bool>(ImageRegistry::instance().find(name))) << name;
    manager.clear();
    shaders->clear();
    ImageRegistry::instance().clear();
    fs::current_path(previous);
}

}  // namespace
}  // namespace qv3rn
