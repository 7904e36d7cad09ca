// mesh_shapes.cpp -- parametric grids for the round shapes, flat grids for boxes and planes.
#include "mesh/mesh_shapes.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "math/noise.h"  // Required for: fractalNoise (terrain)

namespace qv3rn {

namespace {

constexpr float pi = 3.14159265358979f;
constexpr float twoPi = 2.0f * pi;

struct SurfacePoint {
    Vec3 position;
    Vec3 normal;
};

enum Wrap { Open = 0, WrapU = 1, WrapV = 2 };

// A grid of (columns + 1) × (rows + 1) vertices over u, v in [0, 1], two triangles per cell. The point
// function gives position and normal; texture coordinates are (u, v). Along a wrapped direction the last
// column (row) takes the first one's point exactly, so that welding closes the seam.
void addGrid(MeshBuilder& builder, int columns, int rows, const Handle<Shader>& shader,
             const std::function<SurfacePoint(float u, float v)>& at, int wrap = Open) {
    const int first = static_cast<int>(builder.vertices().size());
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            const float u = static_cast<float>(i) / static_cast<float>(columns);
            const float v = static_cast<float>(j) / static_cast<float>(rows);
            const SurfacePoint point = at((wrap & WrapU) && i == columns ? 0.0f : u,
                                          (wrap & WrapV) && j == rows ? 0.0f : v);
            builder.addVertex(point.position, point.normal, TexCoord{u, v});
        }
    }
    auto index = [&](int i, int j) { return first + j * (columns + 1) + i; };
    // Cells that touch a pole have two corners at one place: that half of the cell is left out.
    auto add = [&](int a, int b, int c) {
        const auto& v = builder.vertices();
        const Vec3& pa = v[static_cast<std::size_t>(a)].position;
        const Vec3& pb = v[static_cast<std::size_t>(b)].position;
        const Vec3& pc = v[static_cast<std::size_t>(c)].position;
        if (pa == pb || pb == pc || pa == pc) return;
        builder.addTriangle(a, b, c, shader);
    };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            add(index(i, j), index(i, j + 1), index(i + 1, j + 1));
            add(index(i, j), index(i + 1, j + 1), index(i + 1, j));
        }
    }
}

// u runs around the y axis, v from the top pole to the bottom one.
void sphere(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    addGrid(builder, std::max(s.segments, 3), std::max(s.rings, 2), shader, [&](float u, float v) {
        const float theta = v * pi, phi = u * twoPi;
        // The poles are exact, so that a pole's corners coincide.
        const float st = v <= 0.0f || v >= 1.0f ? 0.0f : std::sin(theta);
        const float ct = v <= 0.0f ? 1.0f : v >= 1.0f ? -1.0f : std::cos(theta);
        const Vec3 n{st * std::cos(phi), ct, -st * std::sin(phi)};
        return SurfacePoint{n * s.radius, n};
    }, WrapU);
}

// The ring lies in the xz plane; u runs around the y axis, v around the tube.
void torus(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    addGrid(builder, std::max(s.segments, 3), std::max(s.rings, 3), shader, [&](float u, float v) {
        const float phi = u * twoPi, theta = v * twoPi;
        const Vec3 outward{std::cos(phi), 0.0f, -std::sin(phi)};
        const Vec3 n = outward * -std::cos(theta) + Vec3{0.0f, std::sin(theta), 0.0f};
        return SurfacePoint{outward * s.radius + n * s.tube, n};
    }, WrapU | WrapV);
}

// A flat grid through `origin` spanned by `across` (u) and `along` (v); its normal is along × across.
void flatGrid(MeshBuilder& builder, int columns, int rows, const Handle<Shader>& shader, const Vec3& origin,
              const Vec3& across, const Vec3& along) {
    const Vec3 normal = cross(along, across).normalized();
    addGrid(builder, columns, rows, shader, [&](float u, float v) {
        return SurfacePoint{origin + across * u + along * v, normal};
    });
}

// Each face is seen from outside with u running to the right and v downwards.
void box(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    const Vec3 h = s.size * 0.5f;
    const Vec3 x{s.size.x, 0, 0}, y{0, s.size.y, 0}, z{0, 0, s.size.z};
    flatGrid(builder, 1, 1, shader, {-h.x, h.y, h.z}, x, -y);    // front (+z)
    flatGrid(builder, 1, 1, shader, {h.x, h.y, -h.z}, -x, -y);   // back (-z)
    flatGrid(builder, 1, 1, shader, {h.x, h.y, h.z}, -z, -y);    // right (+x)
    flatGrid(builder, 1, 1, shader, {-h.x, h.y, -h.z}, z, -y);   // left (-x)
    flatGrid(builder, 1, 1, shader, {-h.x, h.y, -h.z}, x, z);    // top (+y)
    flatGrid(builder, 1, 1, shader, {-h.x, -h.y, h.z}, x, -z);   // bottom (-y)
}

// The xz plane facing +y, centred on the origin.
void plane(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    flatGrid(builder, std::max(s.segments, 1), std::max(s.rings, 1), shader, {-s.size.x * 0.5f, 0, -s.size.z * 0.5f},
             {s.size.x, 0, 0}, {0, 0, s.size.z});
}

// Upright along y from -height/2 to height/2, with flat caps made of fans around their centres.
void cylinder(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    const int segments = std::max(s.segments, 3);
    const float half = s.height * 0.5f;
    // Rows along the height, so that deformers have vertices to move between the caps.
    addGrid(builder, segments, std::max(s.rings, 1), shader, [&](float u, float v) {
        const float phi = u * twoPi;
        const Vec3 n{std::cos(phi), 0.0f, -std::sin(phi)};
        return SurfacePoint{n * s.radius + Vec3{0.0f, half - v * s.height, 0.0f}, n};
    }, WrapU);
    for (const float side : {1.0f, -1.0f}) {
        const Vec3 normal{0.0f, side, 0.0f};
        const int centre = builder.addVertex({0.0f, side * half, 0.0f}, normal, TexCoord{0.5f, 0.5f});
        const int rim = static_cast<int>(builder.vertices().size());
        for (int i = 0; i <= segments; ++i) {
            // The same angles as the side's top and bottom rows, so that welding joins caps and side.
            const float phi = (i == segments ? 0.0f : static_cast<float>(i) / static_cast<float>(segments)) * twoPi;
            const float c = std::cos(phi), sn = std::sin(phi);
            builder.addVertex({c * s.radius, side * half, -sn * s.radius}, normal,
                              TexCoord{0.5f + 0.5f * c, 0.5f - 0.5f * sn * side});
        }
        for (int i = 0; i < segments; ++i) {
            if (side > 0.0f) builder.addTriangle(centre, rim + i, rim + i + 1, shader);
            else builder.addTriangle(centre, rim + i + 1, rim + i, shader);
        }
    }
}

// The (p, q) torus knot: p turns around the y axis while winding q times through the hole; a tube follows it.
Vec3 knotCurve(const ShapeParameters& s, float t) {
    const float pt = static_cast<float>(s.p) * t, qt = static_cast<float>(s.q) * t;
    const float r = 2.0f + std::cos(qt);
    return Vec3{r * std::cos(pt), -std::sin(qt), -r * std::sin(pt)} * (s.radius / 3.0f);
}

void torusKnot(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    const float step = 1e-3f;
    addGrid(builder, std::max(s.segments, 8), std::max(s.rings, 3), shader, [&](float u, float v) {
        const float t = u * twoPi;
        const Vec3 centre = knotCurve(s, t);
        const Vec3 ahead = knotCurve(s, t + step), behind = knotCurve(s, t - step);
        const Vec3 tangent = (ahead - behind).normalized();
        // The frame turns with the curve's own bend: it closes on itself after a full turn of t.
        Vec3 bend = (ahead + behind - centre * 2.0f);
        bend = (bend - tangent * dot(bend, tangent)).normalized();
        if (bend.length() == 0.0f) bend = cross(tangent, Vec3{0.0f, 1.0f, 0.0f}).normalized();
        const Vec3 side = cross(tangent, bend);
        const float theta = v * twoPi;
        const Vec3 n = bend * -std::cos(theta) + side * -std::sin(theta);
        return SurfacePoint{centre + n * s.tube, n};
    }, WrapU | WrapV);
}

// A height field over the xz plane centred on the origin: fractal noise, stretched and squared so that broad
// valleys lie between sharper ridges, from y = 0 up to the height. Normals come from the slopes of the field
// across one cell each way, so that they follow the facets that are drawn.
void terrain(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    auto heightAt = [&](float u, float v) {
        const float n = fractalNoise(u * 4.0f, v * 4.0f, 4, 5, s.seed);
        const float stretched = std::clamp((n - 0.3f) / 0.45f, 0.0f, 1.0f);
        return stretched * stretched * s.height;
    };
    const int columns = std::max(s.segments, 1), rows = std::max(s.rings, 1);
    const float du = 1.0f / static_cast<float>(columns), dv = 1.0f / static_cast<float>(rows);
    addGrid(builder, columns, rows, shader, [&](float u, float v) {
        const float slopeX = (heightAt(u + du, v) - heightAt(u - du, v)) / (2.0f * du * s.size.x);
        const float slopeZ = (heightAt(u, v + dv) - heightAt(u, v - dv)) / (2.0f * dv * s.size.z);
        const Vec3 position{(u - 0.5f) * s.size.x, heightAt(u, v), (v - 0.5f) * s.size.z};
        return SurfacePoint{position, Vec3{-slopeX, 1.0f, -slopeZ}.normalized()};
    });
}

// A low-poly dart flying along +z with its wings in the xz plane: six corners, eight flat facets, closed once
// welded. Each facet gets its own corners and normal so that it is lit flat; the radius scales it.
void ship(const ShapeParameters& s, const Handle<Shader>& shader, MeshBuilder& builder) {
    const Vec3 nose{0.0f, 0.0f, 1.6f}, left{-1.3f, -0.05f, -0.7f}, right{1.3f, -0.05f, -0.7f};
    const Vec3 fin{0.0f, 0.35f, -0.5f}, keel{0.0f, -0.25f, -0.4f}, tail{0.0f, 0.05f, -0.9f};
    const Vec3 facets[][3] = {{nose, left, fin}, {nose, fin, right}, {left, tail, fin}, {fin, tail, right},
                              {nose, keel, left}, {nose, keel, right}, {left, keel, tail}, {keel, right, tail}};
    const Vec3 centre = (nose + left + right + fin + keel + tail) * (1.0f / 6.0f);
    for (const auto& facet : facets) {
        Vec3 normal = cross(facet[1] - facet[0], facet[2] - facet[0]).normalized();
        // Wound away from the centre: the dart is convex enough for that to mean outwards.
        const bool flip = dot(normal, facet[0] + facet[1] + facet[2] - centre * 3.0f) < 0.0f;
        if (flip) normal = normal * -1.0f;
        int corners[3];
        for (int k = 0; k < 3; ++k) {
            const Vec3& p = facet[flip && k ? 3 - k : k];
            corners[k] = builder.addVertex(p * s.radius, normal, TexCoord{p.x / 2.6f + 0.5f, p.z / 2.6f + 0.35f});
        }
        builder.addTriangle(corners[0], corners[1], corners[2], shader);
    }
}

struct ShapeEntry {
    const char* name;
    void (*build)(const ShapeParameters&, const Handle<Shader>&, MeshBuilder&);
};

constexpr ShapeEntry shapes[] = {
    {"sphere", sphere}, {"torus", torus}, {"box", box}, {"cylinder", cylinder}, {"plane", plane}, {"torusknot", torusKnot},
    {"terrain", terrain}, {"ship", ship},
};

}  // namespace

bool buildShape(std::string_view shape, const ShapeParameters& parameters, const Handle<Shader>& shader,
                MeshBuilder& builder) {
    for (const ShapeEntry& entry : shapes) {
        if (shape == entry.name) {
            entry.build(parameters, shader, builder);
            return true;
        }
    }
    return false;
}

const char* shapeNames() { return "sphere, torus, box, cylinder, plane, torusknot, terrain, ship"; }

}  // namespace qv3rn
