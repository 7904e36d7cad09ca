// diffusion_effect.h -- an image drawn through a grid of texture coordinates bent by one of ten warp patterns,
// with its loader.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "anim/envelope.h"
#include "effects/brush_common.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// The unit square is cut into resolution x resolution cells whose corners carry the grid's texture coordinates:
// corner (i, j) sits at (i / N, j / N), column i across the screen and row j up it. The grid starts as the
// plain coordinates (i / N, j / N), is bent by the deform type (0 to 9; any other leaves it straight) with the
// scales, and is then mapped into the texture rectangle.
class DiffusionEffect : public Effect {
public:
    static constexpr const char* logName = "DiffusionEffect";  // in the log lines of its fields

    static constexpr std::int32_t maxResolution = 1024;

    DiffusionEffect();
    ~DiffusionEffect() override = default;

    // Makes the grid: built once without scale tracks, otherwise by update(0).
    bool init() override;
    bool release() override;  // the image, the envelopes and the grid, then the base release
    // The scale tracks set their scales and rebuild the grid when either exists; the alpha track drives the
    // colour's alpha.
    void update(float time) override;
    void render() override;  // draws nothing without an image or a grid

    // Fills the grid from the resolution, deform type, scales and texture rectangle.
    void buildGrid();

    // The texture coordinate (u, v) at grid corner (i, j), i and j from 0 to the resolution.
    std::array<float, 2> gridPoint(int i, int j) const { return grid_[gridIndex(i, j)]; }
    bool hasGrid() const { return !grid_.empty(); }

    EffectImage image;
    std::unique_ptr<Envelope> alphaTrack;
    std::unique_ptr<Envelope> scaleXTrack;
    std::unique_ptr<Envelope> scaleYTrack;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    std::array<float, 4> color{0.9f, 0.9f, 0.9f, 0.9f};
    std::int32_t resolution = 10;
    std::int32_t deformType = -1;
    float texLeft = 0.0f, texTop = 0.0f, texRight = 1.0f, texBottom = 1.0f;

private:
    std::size_t gridIndex(int i, int j) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(gridSide_) + static_cast<std::size_t>(j);
    }

    std::vector<std::array<float, 2>> grid_;  // (N + 1) x (N + 1) corners, column by column
    int gridSide_ = 0;                        // N + 1 of the grid as allocated
};

// The deformed coordinate of grid corner (i, j) for resolution n - 1 = N, before the texture rectangle: the
// warp patterns in single precision (type 5 is followed by type 6; types other than 0 to 9 return (u, v)).
std::array<float, 2> diffusionDeform(int type, int i, int j, int resolution, float scaleX, float scaleY);

// "Diffusion" blocks. After the common keywords, in this order: "DeformType " (the line is searched for
// "DEFORM_0", "DEFORM_10", "DEFORM_1" ... "DEFORM_9"), "Resolution ", "Image ", "Color ", "Scale ", "TexRect ",
// "Alpha {", "ScaleX {", "ScaleY {". Any other line raises "DiffusionEffect: unknown token". A resolution
// outside 1 .. 1024 raises "DiffusionEffect: resolution out of range: " followed by the line.
class DiffusionLoader : public EffectLoaderOf<DiffusionEffect> {
public:
    DiffusionLoader();
};

}  // namespace qv3rn
