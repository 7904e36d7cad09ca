// video_texture.cpp -- opening, frame stepping, decoding and uploading of the video texture.
#include "effects/video_texture.h"

#include <utility>

#include "core/log.h"
#include "data/resource_reader.h"
#include "effects/video_texture_decoder.h"

namespace qv3rn {

VideoTexture::VideoTexture() : Texture2D(GL_TEXTURE_2D) {}

VideoTexture::~VideoTexture() { close(); }

bool VideoTexture::fail(const std::string& path, std::string reason) {
    lastError_ = std::move(reason);
    logger().writeLine("ERROR! VideoTexture unable to open \"" + path + "\": " + lastError_);
    return false;
}

bool VideoTexture::open(const std::string& path, int width, int height) {
    close();
    lastError_.clear();
    if (width < 1 || height < 1 || width > maxImageSide || height > maxImageSide)
        return fail(path, "the texture size is out of range");
    auto decoder = std::make_unique<VideoTextureDecoder>();
    if (!decoder->open(resourceName(path))) return fail(path, decoder->error());

    sourceWidth_ = decoder->width();
    sourceHeight_ = decoder->height();
    frameCount_ = decoder->frameCount();
    frameIndex_ = 0;
    framePeriod_ = static_cast<float>(decoder->framePeriod());
    rate_ = framePeriod_ * 24.0f;
    accumulator_ = 0.0f;
    loop_ = true;
    framesShown_ = 0;

    // A texture of another size on the driver cannot take the new frames: it is made again at the next bind.
    if (hasName()) releaseGL();
    pixels_.clear();
    allocate(width, height, ImageFormat::Bgr);
    decoder_ = std::move(decoder);
    if (!decodeFrame()) {
        std::string reason = lastError_;
        close();
        return fail(path, std::move(reason));
    }
    setName(path);
    return true;
}

bool VideoTexture::decodeFrame() {
    if (!decoder_) {
        lastError_ = "no video is open";
        return false;
    }
    bool decoded = decoder_->decode(frameIndex_, pixels_.data(), width(), height());
    if (!decoded && decoder_->framesFound() > 0 && decoder_->framesFound() < frameCount_) {
        // The file announced more frames than it holds: keep its true length and step as at its end.
        frameCount_ = decoder_->framesFound();
        frameIndex_ = loop_ ? 0 : frameCount_ - 1;
        decoded = decoder_->decode(frameIndex_, pixels_.data(), width(), height());
    }
    if (!decoded) {
        lastError_ = decoder_->error();
        return false;
    }
    lastError_.clear();
    ++framesShown_;
    if (hasName()) update();  // a texture not made yet takes the store when it is first bound
    return true;
}

void VideoTexture::advance(float dt) {
    if (!decoder_) return;
    accumulator_ += dt * rate_;
    if (accumulator_ >= framePeriod_) {
        frameIndex_ += 1;
        accumulator_ -= framePeriod_;
        if (frameIndex_ >= frameCount_) frameIndex_ = loop_ ? 0 : frameCount_ - 1;
        decodeFrame();
    }
}

void VideoTexture::close() { decoder_.reset(); }

}  // namespace qv3rn
