// stream_effect.h -- a video played into a texture and drawn on a rectangle of the screen, with its loader.
#pragma once

#include <memory>
#include <string>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

class VideoTexture;

// The video advances at 24 frames per demo second (at most one frame per update, looping) and is drawn over
// (x, y, width, height) with normal blending at the alpha of its track; the draw mode is not used.
class StreamEffect : public Effect {
public:
    StreamEffect();
    ~StreamEffect() override;

    // Opens `path` into a new 256 x 256 video texture, replacing the one held; false (holding none) when the
    // file cannot be opened or decoded.
    bool openVideo(const std::string& path);
    VideoTexture* video() const { return video_.get(); }
    // Why the last openVideo failed ("" after one that succeeded).
    const std::string& videoError() const { return videoError_; }

    bool release() override;           // closes and drops the video, drops the alpha track
    void update(float time) override;  // alpha = the track at time, or 1; the video advances by the time step
    void render() override;            // nothing at alpha 0 or without a video

    float x = 0.0f, y = 0.0f;
    float width = 640.0f, height = 480.0f;
    float alpha = 1.0f;
    // Texture coordinates of the rectangle's edges; v = 0 is the bottom of the picture.
    float leftU = 0.0f, topV = 1.0f, rightU = 1.0f, bottomV = 0.0f;
    std::unique_ptr<Envelope> alphaTrack;

private:
    std::unique_ptr<VideoTexture> video_;
    std::string videoError_;
    float lastTime_ = 0.0f;
    bool started_ = false;
};

// "Stream" blocks, after the common keywords: "TexRect " (left u, bottom v, right u, top v), "Rect " (x y
// width height), "Stream " (quoted video file name: a file that cannot be opened makes the line fail, and the
// script load with it) and "Alpha { " (with the space; its closing brace is left to end the block, so it must
// be the last field). Any other line is not taken.
class StreamEffectLoader : public EffectLoaderOf<StreamEffect> {
public:
    StreamEffectLoader();
};

}  // namespace qv3rn
