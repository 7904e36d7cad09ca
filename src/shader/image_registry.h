// image_registry.h -- the process-wide image registry: loads images (archive first, then disk), keeps them by
// name and alias, and counts references to them.
#pragma once

#include <GL/gl.h>

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/resource_reader.h"
#include "image/image_decoder.h"
#include "image/image_format.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

// The registry owns the images it lists and holds one reference on each. A lookup (find) adds two references
// and returns a handle holding one of them, so an image that was ever found stays until clear(); the handle of
// load holds one, so an image only ever held by that handle goes when it is released through releaseHandle.
class ImageRegistry {
public:
    ImageRegistry();   // becomes the current registry (the one instance() gives)
    ~ImageRegistry();  // clears, then hands the current role back to the registry before it
    ImageRegistry(const ImageRegistry&) = delete;
    ImageRegistry& operator=(const ImageRegistry&) = delete;

    // The current registry: the process's, constructed before main (or a test's own while it lives).
    static ImageRegistry& instance();

    // Appends the "jpg", "png" and "tga" decoders, in this order, then prepares the process's gradient-noise
    // tables, which seeds the runtime's random generator from the clock.
    void registerDefaults();
    // A disk folder tried before the bare name, in the order added ("data\art\"; backslashes are fine).
    void addSearchPath(std::string path);
    // Where images are looked for first, as "data/art/" + name, then "data/fnt/" + name. The registry does not
    // keep the archive alive: once it is gone, loads go to disk.
    void setArchive(std::weak_ptr<Archive> archive) { reader_.setArchive(std::move(archive)); }

    // Decodes the image `name` (the first decoder whose extension matches the name) for `target`:
    // GL_TEXTURE_1D, GL_TEXTURE_2D or GL_TEXTURE_RECTANGLE_ARB (3D images cannot be loaded). A 2D image whose
    // sides differ is made a power-of-two square; a rectangle image keeps its target when GL_EXT_texture_rectangle
    // is available and otherwise becomes a power-of-two square 2D image. The image is named `name` and added.
    // When an image of that name and the same (empty) alias is listed already, that one is returned instead.
    // Null on failure, with nothing logged (lastError() says why).
    Handle<Texture> load(const std::string& name, ImageFormat format, GLenum target);

    // Lists `image` at the front and takes one reference on it; the registry owns it from then on. False for
    // null, and when find(image's name) gives an image with the same alias: then the caller keeps `image`.
    bool add(Texture* image);
    // The newest image whose alias equals `name` or, failing that, whose name does (exact comparisons).
    Handle<Texture> find(const std::string& name);
    // Gives back the handle's reference and clears it; when only the registry's own reference is left, the image
    // is released and deleted (with the "IMAGE DELETED" line). False for a null handle.
    bool releaseHandle(Handle<Texture>& handle);
    // Releases one reference of the first image found by alias or name, deleting it when none is left.
    bool removeAndRelease(const std::string& name);
    // Unlinks the first image found by alias or name without deleting it: the caller owns it from then on.
    bool remove(const std::string& name);
    // Deletes every image (whatever its count) and every decoder, and forgets the search paths.
    void clear();

    const std::vector<std::unique_ptr<ImageDecoder>>& decoders() const { return decoders_; }
    // The first decoder whose extension matches `name`, or null.
    ImageDecoder* decoderFor(std::string_view name) const;
    const std::vector<std::string>& searchPaths() const { return lookup_.diskFolders; }
    // The listed images, newest first.
    const std::list<Texture*>& images() const { return images_; }
    // Why the last load failed ("" after a success).
    const std::string& lastError() const { return lastError_; }

private:
    std::list<Texture*>::iterator locate(const std::string& name);
    bool addImage(Texture* image, Texture** conflicting);
    void releaseImage(Texture* image);
    Texture* decodeMemory(ImageDecoder& decoder, const std::vector<std::uint8_t>& bytes, ImageFormat format,
                          GLenum target);
    Texture* decodeFile(ImageDecoder& decoder, const std::string& path, ImageFormat format, GLenum target);
    Texture* makeTexture(std::unique_ptr<PixelStore> pixels, GLenum target);
    Handle<Texture> failLoad(std::string reason);

    ImageRegistry* previous_ = nullptr;
    ResourceReader reader_;
    // Entries under the art folder, then the font folder; the search paths are its disk folders.
    Lookup lookup_{Lookup::Order::ArchiveThenDisk, {"data/art/", "data/fnt/"}, {}};
    std::list<Texture*> images_;
    std::vector<std::unique_ptr<ImageDecoder>> decoders_;
    std::string lastError_;
};

}  // namespace qv3rn
