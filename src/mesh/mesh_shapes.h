// mesh_shapes.h -- procedural meshes for content: sphere, torus, box, cylinder, plane grid, torus knot, terrain
// and ship, each with normals, texture coordinates (set 0) and one shader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mesh/mesh_builder.h"

namespace qv3rn {

// The measures of a shape; each shape reads the ones it needs. Counts below their minimum are raised to it.
struct ShapeParameters {
    float radius = 1.0f;     // sphere, torus (ring), cylinder, torus knot (scale of the knot)
    float tube = 0.25f;      // torus and torus knot: radius of the tube
    float height = 2.0f;     // cylinder; terrain: highest peak above y = 0
    Vec3 size{2.0f, 2.0f, 2.0f};  // box: edge lengths; plane and terrain: width (x) and depth (z)
    int segments = 32;       // around the main axis / along the knot; plane and terrain: divisions along x
    int rings = 16;          // sphere: from pole to pole; torus and knot: around the tube; plane and terrain: along z;
                             // cylinder: rows along the height
    int p = 2, q = 3;        // torus knot: turns around the axis and through the hole
    std::uint32_t seed = 1;  // terrain: the noise that raises its hills
};

// Appends the named shape ("sphere", "torus", "box", "cylinder", "plane", "torusknot", "terrain", "ship") to
// `builder`, every triangle drawn with `shader`; false for an unknown name. Triangles wind counter-clockwise seen
// from outside (the terrain from above).
bool buildShape(std::string_view shape, const ShapeParameters& parameters, const Handle<Shader>& shader,
                MeshBuilder& builder);

// The names buildShape knows, separated by ", ".
const char* shapeNames();

}  // namespace qv3rn
