// overlay_test_support.h -- what the flat-effect tests share: a headless context a quarter of the virtual
// screen's size, an image registry of the test's own, envelope text, block loading and log capture.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/log.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"

namespace qv3rn::test {

using Rgba = std::array<std::uint8_t, 4>;

// An envelope block keyed (time, value) with linear spans, holding its ends before and after.
inline std::string envelopeBlock(std::initializer_list<std::pair<float, float>> keys) {
    std::ostringstream text;
    text << "{ Envelope\n  " << keys.size() << "\n";
    for (const auto& [time, value] : keys) text << "  Key " << value << ' ' << time << " 3 0 0 0 0 0 0 0\n";
    text << "  Behaviors 1 1\n}\n";
    return text.str();
}

// An envelope field: the keyword line, the block and the field's closing brace.
inline std::string envelopeField(const std::string& keyword, std::initializer_list<std::pair<float, float>> keys) {
    return keyword + "\n" + envelopeBlock(keys) + "}\n";
}

// A field whose envelope holds `value` at every time.
inline std::string constantField(const std::string& keyword, float value) {
    return envelopeField(keyword, {{0.0f, value}});
}

// Runs the loader over a block's body (the lines after its opening line) into a new effect of its type.
struct LoadedBlock {
    std::unique_ptr<Effect> effect;
    bool loaded = false;
    std::string rest;  // what the loader left unread
};
inline LoadedBlock loadBlock(EffectLoader& loader, const std::string& body) {
    std::istringstream stream(body);
    LoadedBlock block;
    block.effect = loader.createEffect();
    block.loaded = loader.load(stream, *block.effect);
    std::ostringstream rest;
    rest << stream.rdbuf();
    block.rest = rest.str();
    return block;
}

template <typename T>
T& as(const LoadedBlock& block) {
    return dynamic_cast<T&>(*block.effect);
}

// The effects an effect script made, in script order (the manager's pending list), or a failure message.
struct ParsedScript {
    std::unique_ptr<EffectManager> manager = std::make_unique<EffectManager>();
    bool parsed = false;
    std::string failure;
    std::vector<Effect*> effects() const {
        std::vector<Effect*> list;
        for (const auto& effect : manager->pending()) list.push_back(effect.get());
        return list;
    }
};
inline ParsedScript parseScript(const std::string& text) {
    ParsedScript script;
    EffectScript reader(*script.manager);
    std::istringstream stream(text);
    script.parsed = reader.parse(stream);
    script.failure = reader.failure();
    return script;
}

inline std::string readTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The process log redirected into a file of the test's own while it lives.
class CapturedLog {
public:
    explicit CapturedLog(std::string path) : path_(std::move(path)) { log_.open(path_); }
    // Everything logged so far; the log is closed afterwards.
    std::string text() {
        log_.close();
        return readTextFile(path_);
    }

private:
    std::string path_;
    Log log_;
};

// A 160 x 120 context: one framebuffer pixel is a 4 x 4 square of the 640 x 480 virtual screen.
class OverlayTest : public ::testing::Test {
protected:
    static constexpr int framebufferWidth = 160;
    static constexpr int framebufferHeight = 120;
    static constexpr float virtualPerPixel = 4.0f;

    void SetUp() override {
        std::string error;
        context = platform::HeadlessContext::create(framebufferWidth, framebufferHeight, {}, &error);
        ASSERT_NE(context, nullptr) << error;
        platform::installWindowSystem(context->windowSystemHooks());
        reportExtensions(*context);
        glViewport(0, 0, framebufferWidth, framebufferHeight);
        clearScreen(0, 0, 0);
    }
    void TearDown() override {
        registry.clear();
        resetExtensions();
        platform::installWindowSystem({});
        context.reset();
    }

    static void clearScreen(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // The framebuffer pixel that shows the virtual-screen point (x, y), y from the bottom.
    static Rgba screenPixel(float x, float y) {
        Rgba rgba{};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(static_cast<int>(x / virtualPerPixel), static_cast<int>(y / virtualPerPixel), 1, 1, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    // An RGBA image named `name` in the registry, each pixel from `colour(x, y)` (row y = 0 at the top) as
    // 0xRRGGBBAA.
    Texture2D* addImage(const std::string& name, int width, int height,
                        const std::function<std::uint32_t(int, int)>& colour) {
        auto* image = new Texture2D();
        image->allocate(width, height, ImageFormat::Rgba);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->setPixel(colour(x, y), x, y);
        image->setName(name);
        registry.add(image);
        return image;
    }

    std::unique_ptr<platform::HeadlessContext> context;
    ImageRegistry registry;
};

// Colour channels within `tolerance` of each other (blending and filtering round).
inline ::testing::AssertionResult nearColour(const Rgba& actual, std::array<int, 3> expected, int tolerance = 3) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(actual[i] - expected[i]) > tolerance)
            return ::testing::AssertionFailure() << "got (" << int(actual[0]) << ", " << int(actual[1]) << ", "
                                                 << int(actual[2]) << "), expected (" << expected[0] << ", "
                                                 << expected[1] << ", " << expected[2] << ")";
    return ::testing::AssertionSuccess();
}

}  // namespace qv3rn::test
