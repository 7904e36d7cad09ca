// stream_effect.cpp -- the video overlay: keywords, video stepping and the blended video quad.
#include "effects/stream_effect.h"

#include <GL/gl.h>

#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"
#include "effects/video_texture.h"

namespace qv3rn {

namespace {
constexpr int videoTextureSide = 256;
}

StreamEffect::StreamEffect() : Effect(EffectKind::Stream) {}

StreamEffect::~StreamEffect() = default;

bool StreamEffect::openVideo(const std::string& path) {
    video_.reset();
    videoError_.clear();
    auto video = std::make_unique<VideoTexture>();
    if (!video->open(path, videoTextureSide, videoTextureSide)) {
        videoError_ = "the video cannot be opened: " + video->lastError();
        return false;
    }
    video_ = std::move(video);
    return true;
}

bool StreamEffect::release() {
    if (video_) video_->close();
    video_.reset();
    alphaTrack.reset();
    return Effect::release();
}

void StreamEffect::update(float time) {
    alpha = alphaTrack ? alphaTrack->evaluate(time) : 1.0f;
    if (!video_) return;
    if (!started_) {
        lastTime_ = time - 0.001f;
        started_ = true;
    }
    const float dt = time - lastTime_;
    lastTime_ = time;
    video_->advance(dt);
}

void StreamEffect::render() {
    if (alpha == 0.0f || !video_) return;
    OverlayFrame frame(virtualScreen);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    if (!video_->bind(GL_TEXTURE0)) return;
    drawQuad({{leftU, bottomV, x, y},
              {leftU, topV, x, y + height},
              {rightU, topV, x + width, y + height},
              {rightU, bottomV, x + width, y}});
    video_->unbind(GL_TEXTURE0);
}

StreamEffectLoader::StreamEffectLoader()
    : EffectLoaderOf("Stream",
                     effectGrammar<StreamEffect>({
                         floats("TexRect ", &StreamEffect::leftU, &StreamEffect::bottomV, &StreamEffect::rightU,
                                &StreamEffect::topV),
                         floats("Rect ", &StreamEffect::x, &StreamEffect::y, &StreamEffect::width, &StreamEffect::height),
                         {"Stream ",
                          [](StreamEffect& video, BlockLine& l) {
                              if (!video.openVideo(quotedText(l.text))) l.failBlock(video.videoError());
                          }},
                         openTrack("Alpha { ", &StreamEffect::alphaTrack),
                     }),
                     UnknownLine::fail()) {}

std::unique_ptr<EffectLoader> makeStreamLoader() { return std::make_unique<StreamEffectLoader>(); }

}  // namespace qv3rn
