// stream_effect.cpp -- the video overlay: keywords, video stepping and the blended video quad.
#include "effects/stream_effect.h"

#include <GL/gl.h>

#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"
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

std::unique_ptr<Effect> StreamEffectLoader::createEffect() { return std::make_unique<StreamEffect>(); }

std::unique_ptr<EffectLoader> makeStreamLoader() { return std::make_unique<StreamEffectLoader>(); }

bool StreamEffectLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<StreamEffect&>(base);
    using Keyword = KeywordAction<StreamEffectLoader, StreamEffect>;
    static const Keyword keywords[] = {
        {"TexRect ",
         [](StreamEffectLoader&, std::string& text, std::istream&, StreamEffect& video) {
             scanFloats(text, video.leftU, video.bottomV, video.rightU, video.topV);
             return true;
         }},
        {"Rect ",
         [](StreamEffectLoader&, std::string& text, std::istream&, StreamEffect& video) {
             scanFloats(text, video.x, video.y, video.width, video.height);
             return true;
         }},
        {"Stream ",
         [](StreamEffectLoader& loader, std::string& text, std::istream&, StreamEffect& video) {
             if (video.openVideo(quotedText(text))) return true;
             loader.explainRejection(video.videoError());
             return false;
         }},
        {"Alpha { ",
         [](StreamEffectLoader& loader, std::string&, std::istream& in, StreamEffect& video) {
             video.alphaTrack = loader.readEnvelopeField(in, false);
             return true;
         }},
    };
    return takeKeyword(keywords, *this, line, stream, effect) == KeywordResult::Taken;
}

}  // namespace qv3rn
