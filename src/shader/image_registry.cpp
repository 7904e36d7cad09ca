// image_registry.cpp -- loading, listing, counting and deleting the images of the process.
#include "shader/image_registry.h"

#include <algorithm>
#include <utility>

#include "core/log.h"
#include "gl/extensions.h"
#include "image/jpeg_decoder.h"
#include "image/png_decoder.h"
#include "image/tga_decoder.h"
#include "math/random.h"
#include "shader/shader_manager.h"  // Required for: the frame time in the deletion line
#include "shader/texture_1d.h"
#include "shader/texture_2d.h"

namespace qv3rn {

namespace {
ImageRegistry* currentRegistry = nullptr;
}

// The process's registry, constructed before main like the other registries.
ImageRegistry processImageRegistry;

ImageRegistry::ImageRegistry() : previous_(currentRegistry) { currentRegistry = this; }

ImageRegistry::~ImageRegistry() {
    clear();
    if (currentRegistry == this) currentRegistry = previous_;
}

ImageRegistry& ImageRegistry::instance() { return currentRegistry ? *currentRegistry : processImageRegistry; }

void ImageRegistry::registerDefaults() {
    decoders_.push_back(std::make_unique<JpegDecoder>());
    decoders_.push_back(std::make_unique<PngDecoder>());
    decoders_.push_back(std::make_unique<TgaDecoder>());
    prepareGradientNoise();
}

void ImageRegistry::addSearchPath(std::string path) { lookup_.diskFolders.push_back(std::move(path)); }

ImageDecoder* ImageRegistry::decoderFor(std::string_view name) const {
    for (const auto& decoder : decoders_)
        if (decoder->handlesExtension(name)) return decoder.get();
    return nullptr;
}

Handle<Texture> ImageRegistry::failLoad(std::string reason) {
    lastError_ = std::move(reason);
    return Handle<Texture>();
}

Texture* ImageRegistry::makeTexture(std::unique_ptr<PixelStore> pixels, GLenum target) {
    if (!pixels) return nullptr;
    if (target == GL_TEXTURE_1D) {
        auto* texture = new Texture1D();
        texture->adoptPixels(std::move(*pixels));
        return texture;
    }
    const bool keepRectangle = target == GL_TEXTURE_RECTANGLE_ARB && GL_EXT_texture_rectangle_Flag;
    auto* texture = new Texture2D(keepRectangle ? GL_TEXTURE_RECTANGLE_ARB : GL_TEXTURE_2D);
    texture->adoptPixels(std::move(*pixels));
    const bool square = texture->width() == texture->height();
    if ((target == GL_TEXTURE_2D && !square) || (target == GL_TEXTURE_RECTANGLE_ARB && !keepRectangle))
        texture->makePowerOfTwoSquare();
    return texture;
}

Texture* ImageRegistry::decodeMemory(ImageDecoder& decoder, const std::vector<std::uint8_t>& bytes,
                                     ImageFormat format, GLenum target) {
    if (target == GL_TEXTURE_1D) return makeTexture(decoder.decode1D(bytes.data(), bytes.size(), format), target);
    return makeTexture(decoder.decode2D(bytes.data(), bytes.size(), format), target);
}

Texture* ImageRegistry::decodeFile(ImageDecoder& decoder, const std::string& path, ImageFormat format,
                                   GLenum target) {
    if (target == GL_TEXTURE_1D) return makeTexture(decoder.decode1DFromFile(path, format), target);
    return makeTexture(decoder.decode2DFromFile(path, format), target);
}

Handle<Texture> ImageRegistry::load(const std::string& name, ImageFormat format, GLenum target) {
    lastError_.clear();
    if (target == GL_TEXTURE_3D) return failLoad(name + ": 3D images cannot be loaded");
    if (target != GL_TEXTURE_1D && target != GL_TEXTURE_2D && target != GL_TEXTURE_RECTANGLE_ARB)
        return failLoad(name + ": images cannot be loaded for texture target " + std::to_string(target));

    // An archive entry that is empty or that no decoder reads is left for the disk; one that does not decode
    // is the image's failure.
    ImageDecoder* decoder = decoderFor(name);
    Texture* image = nullptr;
    Resource file = reader_.find(name, lookup_);
    if (file.inArchive() && decoder && !file.bytes().empty()) {
        image = decodeMemory(*decoder, file.bytes(), format, target);
        if (!image) return failLoad(name + " (archive): " + decoder->lastError());
    } else {
        if (!decoder) return failLoad(name + ": no decoder reads this file type");
        if (file.inArchive()) file = reader_.find(name, lookup_, Source::Archive);
        if (!file) return failLoad(name + ": cannot open " + resourceName(name));
        image = decodeFile(*decoder, file.path(), format, target);
        if (!image) return failLoad(name + ": " + decoder->lastError());
    }

    image->setName(name);
    Texture* conflicting = nullptr;
    if (!addImage(image, &conflicting)) {
        // The same image is listed already (same name, same alias): hand that one out rather than a duplicate
        // nobody would ever delete.
        delete image;
        return Handle<Texture>(conflicting);
    }
    return Handle<Texture>(image);
}

std::list<Texture*>::iterator ImageRegistry::locate(const std::string& name) {
    return std::find_if(images_.begin(), images_.end(),
                        [&](const Texture* image) { return image->alias() == name || image->name() == name; });
}

Handle<Texture> ImageRegistry::find(const std::string& name) {
    auto it = locate(name);
    if (it == images_.end()) return Handle<Texture>();
    (*it)->addRef();
    (*it)->addRef();
    return Handle<Texture>::adopt(*it);
}

bool ImageRegistry::addImage(Texture* image, Texture** conflicting) {
    if (!image) return false;
    Handle<Texture> found = find(image->name());
    if (found && found->alias() == image->alias()) {
        if (conflicting) *conflicting = found.get();
        releaseHandle(found);
        return false;
    }
    image->addRef();
    images_.push_front(image);
    return true;  // a found image keeps the lookup's second reference when `found` goes
}

bool ImageRegistry::add(Texture* image) { return addImage(image, nullptr); }

void ImageRegistry::releaseImage(Texture* image) {
    auto it = std::find(images_.begin(), images_.end(), image);
    if (it == images_.end()) return;
    if (image->release() > 0) return;
    logger().printf("IMAGE DELETED %s <=> %s AT TIME %f", image->name().c_str(), image->alias().c_str(),
                    static_cast<double>(ShaderManager::currentFrameTime()));
    images_.erase(it);
    delete image;
}

// The image itself is released (not the first one listed under its alias): an image without an alias would
// otherwise take down whichever other image also has none.
bool ImageRegistry::releaseHandle(Handle<Texture>& handle) {
    if (!handle) return false;
    Texture* image = handle.get();
    handle.reset();
    if (image->references() == 1) releaseImage(image);
    return true;
}

bool ImageRegistry::removeAndRelease(const std::string& name) {
    auto it = locate(name);
    if (it == images_.end()) return false;
    releaseImage(*it);
    return true;
}

bool ImageRegistry::remove(const std::string& name) {
    auto it = locate(name);
    if (it == images_.end()) return false;
    (*it)->release();
    images_.erase(it);
    return true;
}

void ImageRegistry::clear() {
    for (Texture* image : images_) delete image;
    images_.clear();
    decoders_.clear();
    lookup_.diskFolders.clear();
}

}  // namespace qv3rn
