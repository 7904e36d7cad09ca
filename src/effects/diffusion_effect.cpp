// diffusion_effect.cpp -- the warp patterns of the texture-coordinate grid, drawing the grid, and the block's
// keywords.
#include "effects/diffusion_effect.h"

#include <GL/gl.h>

#include <cmath>
#include <string_view>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"

namespace qv3rn {

namespace {

// The angle factors of the patterns, rounded to single precision: pi/50, pi/100, pi/32, pi/64, pi/45, pi/128.
constexpr float piOver50 = 0.06283186f;
constexpr float piOver100 = 0.03141593f;
constexpr float piOver32 = 0.09817477f;
constexpr float piOver64 = 0.049087387f;
constexpr float piOver45 = 0.06981317f;
constexpr float piOver128 = 0.024543693f;

struct GridCorner {
    int i, j;       // column and row
    int n;          // corners a side: resolution + 1
    float hf;       // n * 0.5
    int hi;         // n / 2
    float sx, sy;   // the scales
};

using Coordinate = std::array<float, 2>;

// Types that work about the centre: (a, b) = (u - 0.5, v - 0.5) in, 0.5 added to both results.
template <typename Rotate>
Coordinate centred(Coordinate uv, Rotate rotate) {
    const Coordinate ab = rotate(uv[0] - 0.5f, uv[1] - 0.5f);
    return {ab[0] + 0.5f, ab[1] + 0.5f};
}

Coordinate deform(int type, Coordinate uv, const GridCorner& c) {
    const int i = c.i, j = c.j, n = c.n, hi = c.hi;
    const float hf = c.hf, sx = c.sx, sy = c.sy;
    switch (type) {
        case 0: return {uv[0] + 0.01f * sx, uv[1] + 0.01f * sy};
        case 1: return {uv[0] + (i - hf) * sx * 0.001f, uv[1] + (j - hf) * sy * 0.001f};
        case 2:
            return {uv[0] * sx * std::cos(static_cast<float>(i - n + j) * piOver50),
                    uv[1] * sy * std::cos(static_cast<float>(i - j) * piOver100)};
        case 3: {
            const Coordinate shifted{uv[0] + (i - hf) * 0.003f, uv[1] + (j - hf) * 0.003f};
            const float cw = std::cos(static_cast<float>(i - hi + 1) * piOver32);
            const float sw = std::sin(static_cast<float>(j - hi + 1) * piOver32);
            return centred(shifted, [&](float a, float b) {
                return Coordinate{(cw * a - sw * b) * sx, (sw * a + cw * b) * sy};
            });
        }
        case 4: {
            const float d = std::sqrt((i - hf) * (i - hf) + (j - hf) * (j - hf));
            const float cw = std::cos(d * sx * piOver64);
            const float sw = std::sin(d * sy * piOver64);
            return centred(uv, [&](float a, float b) { return Coordinate{cw * a - sw * b, sw * a + cw * b}; });
        }
        case 5: {
            const Coordinate first = centred(uv, [&](float a, float b) {
                const float cb = std::cos(static_cast<float>(j - hi) * piOver45);
                return Coordinate{a * sx * std::cos(static_cast<float>(i - n + j) * piOver45), b * sy * cb * cb * cb};
            });
            return deform(6, first, c);
        }
        case 6:
            return centred(uv, [&](float a, float b) {
                return Coordinate{a * std::cos(static_cast<float>(i - hi) * sx * piOver45),
                                  b * std::cos(static_cast<float>(j - hi) * sy * piOver45)};
            });
        case 7: {
            const float d = std::sqrt((i - hf) * (i - hf) + (j - hf) * (j - hf)) * piOver128;
            const float cw = std::cos(d), sw = std::sin(d);
            return centred(uv, [&](float a, float b) {
                return Coordinate{cw * a + sw * b + std::cos(static_cast<float>(j - hi)) * sx * 0.03225f,
                                  sw * a + cw * b + std::cos(static_cast<float>(i - hi)) * sy * 0.03225f};
            });
        }
        case 8:
        case 9: {
            const float cw = std::cos(static_cast<float>(type == 8 ? j - hi : i - hi));
            const float sw = std::sin(static_cast<float>(type == 8 ? i - hi : j - hi));
            return centred(uv, [&](float a, float b) {
                return Coordinate{a + (cw * a + sw * b) * sx, b + (sw * a + cw * b) * sy};
            });
        }
        default: return uv;
    }
}

}  // namespace

std::array<float, 2> diffusionDeform(int type, int i, int j, int resolution, float scaleX, float scaleY) {
    const int n = resolution + 1;
    const GridCorner corner{i, j, n, static_cast<float>(n) * 0.5f, n / 2, scaleX, scaleY};
    const Coordinate plain{static_cast<float>(i) / static_cast<float>(resolution),
                           static_cast<float>(j) / static_cast<float>(resolution)};
    return deform(type, plain, corner);
}

DiffusionEffect::DiffusionEffect() : Effect(EffectKind::Diffusion) {}

bool DiffusionEffect::init() {
    if (!Effect::init()) return false;
    if (!scaleXTrack && !scaleYTrack)
        buildGrid();
    else
        update(0.0f);
    return true;
}

bool DiffusionEffect::release() {
    image.release();
    alphaTrack.reset();
    scaleXTrack.reset();
    scaleYTrack.reset();
    grid_.clear();
    gridSide_ = 0;
    return Effect::release();
}

void DiffusionEffect::update(float time) {
    if (scaleXTrack) scaleX = scaleXTrack->evaluate(time);
    if (scaleYTrack) scaleY = scaleYTrack->evaluate(time);
    if (scaleXTrack || scaleYTrack) buildGrid();
    if (alphaTrack) color[3] = alphaTrack->evaluate(time);
}

void DiffusionEffect::buildGrid() {
    if (resolution < 1 || resolution > maxResolution) {
        grid_.clear();
        gridSide_ = 0;
        return;
    }
    gridSide_ = resolution + 1;
    grid_.resize(static_cast<std::size_t>(gridSide_) * static_cast<std::size_t>(gridSide_));
    for (int i = 0; i <= resolution; ++i) {
        for (int j = 0; j <= resolution; ++j) {
            const Coordinate uv = diffusionDeform(deformType, i, j, resolution, scaleX, scaleY);
            grid_[gridIndex(i, j)] = {texLeft + (texRight - texLeft) * uv[0], texTop + (texBottom - texTop) * uv[1]};
        }
    }
}

void DiffusionEffect::render() {
    if (grid_.empty() || !image) return;
    static constexpr OrthoBounds unitSquare{0.0, 1.0, 0.0, 1.0, -1.0, 1.0};
    OverlayFrame frame(unitSquare);
    glDepthMask(GL_FALSE);
    beginBlend(drawMode());
    glColor4fv(color.data());
    if (image.bind(GL_TEXTURE0)) {
        const int cells = gridSide_ - 1;
        const float step = 1.0f / static_cast<float>(cells);
        auto corner = [&](int i, int j) {
            const Coordinate& uv = grid_[gridIndex(i, j)];
            glTexCoord2f(uv[0], uv[1]);
            glVertex2f(static_cast<float>(i) * step, static_cast<float>(j) * step);
        };
        glBegin(GL_QUADS);
        for (int i = 0; i < cells; ++i) {
            for (int j = 0; j < cells; ++j) {
                corner(i, j);
                corner(i + 1, j);
                corner(i + 1, j + 1);
                corner(i, j + 1);
            }
        }
        glEnd();
        image.unbind(GL_TEXTURE0);
    }
    endBlend();
    glDepthMask(GL_TRUE);
}

namespace {

// The words of a DeformType line, in the order the line is searched: "DEFORM_10" before "DEFORM_1".
struct DeformWord {
    std::string_view word;
    std::int32_t type;
};
constexpr DeformWord deformWords[] = {
    {"DEFORM_0", 0}, {"DEFORM_10", 10}, {"DEFORM_1", 1}, {"DEFORM_2", 2}, {"DEFORM_3", 3}, {"DEFORM_4", 4},
    {"DEFORM_5", 5}, {"DEFORM_6", 6},   {"DEFORM_7", 7}, {"DEFORM_8", 8}, {"DEFORM_9", 9},
};

void readDeformType(DiffusionEffect& effect, BlockLine& line) {
    for (const DeformWord& entry : deformWords)
        if (matches(line.text, entry.word)) {
            effect.deformType = entry.type;
            return;
        }
}

KeywordTable<DiffusionEffect> diffusionGrammar() {
    return effectGrammar<DiffusionEffect>({
        {"DeformType ", readDeformType},
        integerIn("Resolution ", &DiffusionEffect::resolution, 1, DiffusionEffect::maxResolution,
                  "DiffusionEffect: resolution out of range: "),
        image("Image ", &DiffusionEffect::image),
        floats("Color ", &DiffusionEffect::color),
        floats("Scale ", &DiffusionEffect::scaleX, &DiffusionEffect::scaleY),
        floats("TexRect ", &DiffusionEffect::texLeft, &DiffusionEffect::texTop, &DiffusionEffect::texRight,
               &DiffusionEffect::texBottom),
        track("Alpha {", &DiffusionEffect::alphaTrack, "alpha"),
        track("ScaleX {", &DiffusionEffect::scaleXTrack, "scale x"),
        track("ScaleY {", &DiffusionEffect::scaleYTrack, "scale y"),
    });
}

}  // namespace

DiffusionLoader::DiffusionLoader()
    : EffectLoaderOf("Diffusion", diffusionGrammar(), UnknownLine::raise("DiffusionEffect: unknown token")) {}

std::unique_ptr<EffectLoader> makeDiffusionLoader() { return std::make_unique<DiffusionLoader>(); }

}  // namespace qv3rn
