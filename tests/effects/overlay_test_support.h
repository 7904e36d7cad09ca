// Shared by the effect tests: a small context with test images, effects read from script text.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/log.h"
#include "data/script_error.h"
#include "effects/effect.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"
#include "support/captured_log.h"
#include "support/gl_test_context.h"
#include "support/test_files.h"

namespace qv3rn::test {

using Rgba = std::array<std::uint8_t, 4>;

// An envelope field keyed (time, value) with linear spans, holding its ends before and after: the keyword
// line, the block and the field's closing brace.
inline std::string envelopeField(const std::string& keyword, std::initializer_list<std::pair<float, float>> keys) {
    std::ostringstream text;
    text << keyword << "\n{ Envelope\n  " << keys.size() << "\n";
    for (const auto& [time, value] : keys) text << "  Key " << value << ' ' << time << " 3 0 0 0 0 0 0 0\n";
    text << "  Behaviors 1 1\n}\n}\n";
    return text.str();
}

// A field whose envelope holds `value` at every time.
inline std::string constantField(const std::string& keyword, float value) {
    return envelopeField(keyword, {{0.0f, value}});
}

// Reads effect script text into `manager`. Returns "" when it parsed, else why not as "<stream>:<line>: why":
// the reader's failure or a raised error.
inline std::string readScript(EffectManager& manager, const std::string& text) {
    EffectScript reader(manager);
    std::istringstream stream(text);
    try {
        return reader.parse(stream) ? "" : reader.failure();
    } catch (const ScriptError& error) {
        return error.file() + ":" + std::to_string(error.line()) + ": " + error.what();
    }
}

// One framebuffer pixel of the test context is a 4 x 4 square of the 640 x 480 virtual screen.
constexpr int framebufferWidth = 160;
constexpr int framebufferHeight = 120;
constexpr float virtualPerPixel = 4.0f;

// The test context, an image registry and the current effect manager of the test's own.
class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        context = platform::HeadlessContext::create(framebufferWidth, framebufferHeight, {}, &error);
        ASSERT_NE(context, nullptr) << error;
        platform::installWindowSystem(context->windowSystemHooks());
        reportExtensions(*context);
        glViewport(0, 0, framebufferWidth, framebufferHeight);
        clearScreen(0, 0, 0);
        manager = std::make_unique<EffectManager>();
    }
    void TearDown() override {
        manager.reset();  // the effects give their images back before the registry goes
        registry.clear();
        resetExtensions();
        platform::installWindowSystem({});
        context.reset();
    }

    // Reads one `type` block whose lines after the opening one (its closing brace included) are `body`, and
    // initialises the effect as the demo does; the effect stays in the test's timeline.
    template <typename T = Effect>
    T& load(const std::string& type, const std::string& body) {
        const std::size_t before = manager->pending().size();
        const std::string failure = readScript(*manager, type + " {\n" + body);
        if (!failure.empty() || manager->pending().size() != before + 1)
            throw std::runtime_error("the " + type + " block was not read: " + failure);
        Effect& effect = *manager->pending().back();
        effect.init();
        return dynamic_cast<T&>(effect);
    }
    // One frame of the effect at the demo time.
    static void draw(Effect& effect, float time) {
        effect.update(time);
        effect.render();
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
    // 0xRRGGBBAA; `nearest` turns filtering off.
    Texture2D* addImage(const std::string& name, int width, int height,
                        const std::function<std::uint32_t(int, int)>& colour, bool nearest = false) {
        auto* image = new Texture2D();
        image->allocate(width, height, ImageFormat::Rgba);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->setPixel(colour(x, y), x, y);
        image->setName(name);
        if (nearest) image->params().magFilter = image->params().minFilter = GL_NEAREST;
        registry.add(image);
        return image;
    }

    std::unique_ptr<platform::HeadlessContext> context;
    ImageRegistry registry;
    std::unique_ptr<EffectManager> manager;
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

// Fails the test where drawing left blending, texturing (on units 0 and 1) or alpha testing on, depth or colour
// writes off, or a texture unit other than 0 selected.
inline void expectDrawingStateRestored() {
    EXPECT_EQ(glInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    for (GLenum texture : {GL_TEXTURE1, GL_TEXTURE0}) {
        glActiveTexture(texture);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << texture;
    }
    for (GLenum off : {GL_BLEND, GL_ALPHA_TEST}) EXPECT_FALSE(glIsEnabled(off)) << off;
    GLboolean depthWrites = GL_FALSE, colourWrites[4] = {};
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourWrites);
    EXPECT_TRUE(depthWrites && colourWrites[0] && colourWrites[3]);
}

}  // namespace qv3rn::test
