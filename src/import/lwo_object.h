// lwo_object.h -- the in-memory model of a LightWave object (LWO2): layers of points and polygons, point maps,
// discontinuous maps, surfaces with their texture blocks, image clips and envelopes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/bounding_box.h"
#include "math/vec3.h"

namespace qv3rn {

// A four-character identifier ("FORM", "TXUV", "RGB ") packed big-end first, as the file stores it.
using LwoId = std::uint32_t;
constexpr LwoId lwoId(const char (&text)[5]) {
    return (static_cast<LwoId>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<LwoId>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<LwoId>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<LwoId>(static_cast<unsigned char>(text[3]));
}
std::string lwoIdText(LwoId id);

// The surface channels that texture blocks name and surfaces give values for.
inline constexpr LwoId colourChannel = lwoId("COLR");
inline constexpr LwoId diffuseChannel = lwoId("DIFF");
inline constexpr LwoId luminosityChannel = lwoId("LUMI");
inline constexpr LwoId specularChannel = lwoId({'S', 'P', 'E', 'C', '\0'});

struct LwoSurface;
struct LwoTexture;

// A point map (VMAP) or, with polygon indices, a discontinuous map (VMAD): `dimension` floats per entry.
struct LwoVMap {
    LwoId type = 0;
    int dimension = 0;
    std::string name;
    bool perPolygon = false;          // a discontinuous map
    std::vector<int> points;          // point index of each entry
    std::vector<int> polygons;        // polygon index of each entry (discontinuous maps only)
    std::vector<float> values;        // entries × dimension values

    int entryCount() const { return static_cast<int>(points.size()); }
    const float* value(int entry) const { return values.data() + static_cast<std::size_t>(entry) * dimension; }
    float* value(int entry) { return values.data() + static_cast<std::size_t>(entry) * dimension; }
    // The entry of point `point` (the last one when several name it), or -1.
    int entryOfPoint(int point) const;
};

// A reference from a polygon corner into a discontinuous map of the layer.
struct LwoCornerMapRef {
    int map = 0;    // index into the layer's discontinuous-map list
    int entry = 0;  // entry of that map
};

struct LwoPoint {
    Vec3 position;
    Vec3 normal;
    std::vector<int> polygons;  // the polygons that use the point
};

struct LwoPolygon {
    std::vector<int> corners;  // point indices
    Vec3 normal;
    int surfaceTag = -1;             // index into the object's tag strings ("SURF" polygon tag)
    const LwoSurface* surface = nullptr;
    int smoothingGroup = 0;          // "SMGP" polygon tag
    int partTag = -1;                // "PART" polygon tag
    std::vector<std::vector<LwoCornerMapRef>> cornerMaps;  // per corner, its discontinuous-map entries

    int cornerCount() const { return static_cast<int>(corners.size()); }
};

// The point-map types whose last map of a layer the type slots point at, in slot order.
inline constexpr std::array<LwoId, 8> lwoSlotTypes = {lwoId("PICK"), lwoId("WGHT"), lwoId("MNVW"), lwoId("TXUV"),
                                                      lwoId("RGB "), lwoId("RGBA"), lwoId("MORF"), lwoId("SPOT")};
enum LwoSlot { SlotPick, SlotWeight, SlotSubPatchWeight, SlotTexture, SlotRgb, SlotRgba, SlotMorph, SlotSpot };

struct LwoLayer {
    int number = 0;
    int flags = 0;
    Vec3 pivot;
    std::string name;
    int parent = -1;
    std::vector<LwoPoint> points;
    std::vector<LwoPolygon> polygons;
    BoundingBox bounds;
    std::vector<LwoVMap> pointMaps;          // VMAP chunks, and the generated texture maps
    std::vector<LwoVMap> discontinuousMaps;  // VMAD chunks
    std::array<int, 8> slots = {-1, -1, -1, -1, -1, -1, -1, -1};  // per lwoSlotTypes type: its last point map

    // The texture maps generated for image blocks with a projection: which block got which point map.
    struct GeneratedMap {
        const LwoTexture* texture = nullptr;
        int map = -1;
    };
    std::vector<GeneratedMap> generatedMaps;

    const LwoVMap* slot(LwoSlot which) const {
        return slots[which] < 0 ? nullptr : &pointMaps[static_cast<std::size_t>(slots[which])];
    }
    // The point map a texture block reads in this layer: the one generated for it here, else the one its
    // point-map name names; null when there is none.
    const LwoVMap* textureMap(const LwoTexture& texture) const;
};

// One animated value of a surface or texture: the value and the envelope index that animates it (0: none).
struct LwoValue {
    float value = 0.0f;
    int envelope = 0;
};
struct LwoColour {
    Vec3 rgb;
    int envelope = 0;
};

enum class LwoTextureType { Image, Procedural, Gradient, Shader };

// How an image map lays its image on the surface. The file's codes (0 planar, 1 cylindrical, 2 spherical,
// 3 cubic, 4 front, 5 UV) are mapped to these; 1 to 4 are the projections that generate texture coordinates.
enum class LwoProjection { None = 0, Planar = 1, Cubic = 2, Cylindrical = 3, Spherical = 4, Front = 5, UV = 6 };
LwoProjection projectionFromFileCode(int code);

struct LwoTextureMapping {
    Vec3 centre;
    Vec3 size{1.0f, 1.0f, 1.0f};
    Vec3 rotation;
    std::string referenceObject;
    int falloffType = 0;
    Vec3 falloff;
    int coordinateSystem = 0;  // 0 object, 1 world
};

// A texture block of a surface ("BLOK"): header, mapping and, for image maps, the image-map parameters.
struct LwoTexture {
    LwoTextureType type = LwoTextureType::Image;
    std::string ordinal;
    LwoId channel = lwoId("COLR");
    bool enabled = true;
    int opacityType = 0;
    LwoValue opacity{1.0f, 0};
    int displacementAxis = 0;
    bool negative = false;
    LwoTextureMapping mapping;

    // Image maps.
    LwoProjection projection = LwoProjection::None;
    int axis = 0;  // 1 X, 2 Y, 3 Z (the file's 0, 1, 2 plus one); 0 until the block names one
    int clip = -1;       // index of the image clip
    int wrapWidth = 1, wrapHeight = 1;
    LwoValue wrapWidthAmount{1.0f, 0}, wrapHeightAmount{1.0f, 0};
    std::string pointMap;  // the "TXUV" map the coordinates come from (UV projection, or generated)
    int antialiasing = 0;
    float antialiasingStrength = 0.0f;
    bool pixelBlending = false;
    int stickyProjection = 0;
    float stickyTime = 0.0f;
    LwoValue amplitude{0.0f, 0};

    // Procedural textures and shaders: the function name; gradients: the parameter and item names.
    std::string function;
    std::string gradientParameter;
    std::string gradientItem;
};

struct LwoSurface {
    std::string name;
    std::string source;
    LwoColour colour{{0.78431f, 0.78431f, 0.78431f}, 0};
    LwoValue luminosity, diffuse{1.0f, 0}, specular, reflection, transparency, translucency;
    LwoValue glossiness{0.4f, 0}, bump{1.0f, 0};
    float sharpness = 0.0f;
    int sidedness = 1;
    float smoothingAngle = 0.0f;
    int reflectionOptions = 0, refractionOptions = 0;
    int reflectionImage = -1, refractionImage = -1;
    LwoValue reflectionSeamAngle, refractiveIndex{1.0f, 0};
    LwoValue colourHighlights, colourFilter, additiveTransparency;
    int glowType = 0;
    LwoValue glowIntensity, glowSize;
    int alphaMode = 0;
    float alphaValue = 0.0f;
    float vertexColourIntensity = 0.0f;
    LwoId vertexColourMapType = 0;
    std::string vertexColourMap;
    std::vector<LwoTexture> textures;  // in file order
};

struct LwoClip {
    int index = 0;
    std::string stillImage;  // "STIL": the image file name
};

struct LwoEnvelopeKey {
    float time = 0.0f;
    float value = 0.0f;
    LwoId spanType = lwoId("TCB ");
    std::vector<float> parameters;
};

struct LwoEnvelope {
    int index = 0;
    int type = 0;
    int preBehaviour = 1, postBehaviour = 1;
    std::string name;
    std::vector<LwoEnvelopeKey> keys;
};

struct LwoObject {
    std::string name;
    std::vector<LwoLayer> layers;
    std::vector<std::unique_ptr<LwoSurface>> surfaces;  // held by pointer: polygons point at them
    std::vector<LwoClip> clips;
    std::vector<LwoEnvelope> envelopes;
    std::vector<std::string> tags;

    const LwoSurface* findSurface(const std::string& name) const;
    int pointCount() const;
    int polygonCount() const;
};

// Reads and post-processes the object file at `path`; null when it cannot be opened or is not a valid LWO2
// object (nothing is logged). `error`, when given, says why.
std::unique_ptr<LwoObject> loadObject(const std::string& path, std::string* error = nullptr);

// The same from the bytes of a file held in memory, under the display name `name`.
std::unique_ptr<LwoObject> loadObjectFromMemory(const std::string& name, const std::uint8_t* data, std::size_t size,
                                                std::string* error = nullptr);

// The first point map of the object's layers whose name equals `name` exactly, or null.
const LwoVMap* findPointMap(const LwoObject& object, const std::string& name);
// The same within one layer.
const LwoVMap* findPointMap(const LwoLayer& layer, const std::string& name);

// Releases the whole model and leaves `object` null.
void freeObject(std::unique_ptr<LwoObject>& object);

}  // namespace qv3rn
