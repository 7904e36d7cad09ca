// iso_surface.h -- soft field primitives (sphere, torus, rounded cube), the grid of field values over -16 ... +16
// and its polygonisation by marching cubes, plain (every point, every cell edge) and fast (each primitive only
// over its box, each crossed grid edge interpolated once).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "math/mat4.h"
#include "math/vec3.h"

namespace qv3rn {

// A primitive whose field falls to zero at a finite distance from its centre. `field` returns the value at a
// point of the grid's space and adds the primitive's share to the normal accumulator; it adds nothing and returns
// exactly 0 outside `box`.
class MetaPrimitive {
public:
    virtual ~MetaPrimitive() = default;
    virtual float field(const Vec3& point, Vec3& normal) const = 0;
    // The half extent, around the centre, outside which the field is 0.
    virtual float reach() const = 0;

    // The centre and the rotation (scene convention, as a node's local rotation) in the grid's space.
    void place(const Vec3& centre, const Mat4& rotation) {
        centre_ = centre;
        rotation_ = rotation;
    }
    const Vec3& centre() const { return centre_; }

protected:
    // The point in the primitive's own axes, and a vector of them back in the grid's axes.
    Vec3 intoOwnAxes(const Vec3& point) const { return rotation_.transformVector(point - centre_); }
    Vec3 outOfOwnAxes(const Vec3& v) const { return rotation_.transformVectorByRows(v); }

    Vec3 centre_;
    Mat4 rotation_;
};

class SpherePrimitive : public MetaPrimitive {
public:
    explicit SpherePrimitive(float radius) : radius_(radius), inverseSquare_(1.0f / (radius * radius)) {}
    float field(const Vec3& point, Vec3& normal) const override;
    float reach() const override { return radius_ * 0.70710678f; }

private:
    float radius_;
    float inverseSquare_;
};

// A ring of `revolution` radius in the primitive's x-z plane around its y axis, of `disk` radius across.
class TorusPrimitive : public MetaPrimitive {
public:
    TorusPrimitive(float revolution, float disk) : revolution_(revolution), diskSquare_(disk * disk) {}
    float field(const Vec3& point, Vec3& normal) const override;
    float reach() const override { return revolution_ + std::sqrt(diskSquare_); }

private:
    float revolution_;
    float diskSquare_;
};

// A cube of half side `side` rounded by the exponent: |x|^N + |y|^N + |z|^N < side^N.
class CubePrimitive : public MetaPrimitive {
public:
    CubePrimitive(float exponent, float side);
    float field(const Vec3& point, Vec3& normal) const override;
    float reach() const override { return side_ * 1.7320508f; }

private:
    float exponent_;
    float side_;
    float sidePower_;
    float factor_;  // 0.5 / side^N, so that the field reaches 0 at the cut-off like the sphere's and the torus's
};

// One vertex of the surface as OpenGL's GL_N3F_V3F arrays take it.
struct IsoVertex {
    Vec3 normal;
    Vec3 position;
};

// The fast method's output: each crossed grid edge's vertex once, and three indices per triangle.
struct IsoMesh {
    std::vector<IsoVertex> vertices;
    std::vector<std::uint32_t> indices;
    std::size_t triangleCount() const { return indices.size() / 3; }
};

// The marching-cubes tables: which of the twelve cell edges a case crosses, and its triangles as edge numbers
// (rows ending with -1). Bit i of a case is set when corner i lies below the threshold.
extern const std::array<std::uint16_t, 256> isoEdgeTable;
extern const std::int8_t isoTriangleTable[256][16];

class IsoGrid {
public:
    static constexpr int maxCells = 128;  // cells per axis: 129^3 points hold about 60 MB
    static constexpr float extent = 16.0f;

    // `cells` in 1 ... maxCells.
    explicit IsoGrid(int cells);

    int cells() const { return cells_; }
    int pointsPerAxis() const { return cells_ + 1; }
    std::size_t pointCount() const { return values_.size(); }
    float coordinate(int i) const { return coordinates_[static_cast<std::size_t>(i)]; }
    std::size_t index(int i, int j, int k) const {
        const std::size_t side = static_cast<std::size_t>(cells_) + 1;
        return (static_cast<std::size_t>(k) * side + static_cast<std::size_t>(j)) * side + static_cast<std::size_t>(i);
    }
    float value(std::size_t point) const { return values_[point]; }
    const Vec3& normal(std::size_t point) const { return normals_[point]; }

    // Every point's value and normal from the primitives, in list order: every primitive at every point.
    void evaluatePlain(const std::vector<const MetaPrimitive*>& primitives);
    // The same values: each primitive only at the points inside its box (a cell wider), where it is not 0.
    void evaluate(const std::vector<const MetaPrimitive*>& primitives);

    // Three vertices per triangle, each crossed edge interpolated in every cell that has it.
    void polygonisePlain(float threshold, std::vector<IsoVertex>& triangles) const;
    // The same triangles in the same order, indexed; the mesh's arrays keep their room between calls.
    void polygonise(float threshold, IsoMesh& mesh);

private:
    int cells_;
    std::vector<float> coordinates_;
    std::vector<float> values_;
    std::vector<Vec3> normals_;
    std::vector<std::uint32_t> edgeVertex_;  // per point and axis: the vertex on the edge leaving it, or none
    std::vector<std::uint8_t> below_;          // per point: 1 when its value is below the threshold
    std::vector<std::size_t> usedEdges_;     // the entries of edgeVertex_ the last surface set
};

}  // namespace qv3rn
