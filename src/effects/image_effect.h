// image_effect.h -- a textured quad on the virtual screen, placed, turned and scaled about a pivot, with its
// loader.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "effects/animated_value.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

// The quad is width x height, centred on (positionX, positionY) of the 640 x 480 screen; rotation (degrees)
// and scale turn it about the point pivot away from that centre, so Rect 320 240 640 480 without position
// tracks is centred on the lower-left corner of the screen, and with positions 320, 240 fills it.
// Subclasses (Blocks, PostProcessing) pass their own kind and draw the same image.
class ImageEffect : public Effect {
public:
    static constexpr const char* logName = "ImageEffect";  // in the log lines of its fields

    explicit ImageEffect(EffectKind kind = EffectKind::Image);
    ~ImageEffect() override;

    bool release() override;           // the tracks and the image handle, then the base release
    void update(float time) override;  // every field with a track takes its value; the alpha track drives color[3]
    void render() override;

    // The image by name from the image registry (a counted handle); false, keeping none, when there is no such
    // image. A previous image is given back first.
    bool setImage(const std::string& name);
    Texture* image() const { return image_.get(); }
    void releaseImage();

    float width = 640.0f;
    float height = 480.0f;
    AnimatedValue positionX{0.0f};
    AnimatedValue positionY{0.0f};
    AnimatedValue pivotX{320.0f};
    AnimatedValue pivotY{240.0f};
    AnimatedValue rotation{0.0f};  // degrees
    AnimatedValue scaleX{1.0f};
    AnimatedValue scaleY{1.0f};
    std::unique_ptr<Envelope> alphaTrack;
    float texLeft = 0.0f, texTop = 0.0f, texRight = 1.0f, texBottom = 1.0f;
    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};

private:
    Handle<Texture> image_;
};

// The rows of the image keywords, after the common ones, in test order: "TexRect ", "Rect ", "Image ", the
// envelope fields "Alpha {", "PositionX {", "PositionY {", "PivotX {", "PivotY {", "Rotation {", "ScaleX {",
// "ScaleY {", and "Color ". Blocks and PostProcessing blocks take them too, before their own. A missing image
// or an envelope field whose reader reports failure is logged and loading goes on.
const KeywordTable<ImageEffect>& imageEffectRows();

// "Image" blocks: the common rows and the image rows. Any other line is not taken (the block fails without a
// message).
class ImageEffectLoader : public EffectLoaderOf<ImageEffect> {
public:
    ImageEffectLoader();
};

}  // namespace qv3rn
