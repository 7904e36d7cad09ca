// mesh_tangents.cpp -- deriving tangents and binormals from texture-coordinate set 0.
#include "mesh/mesh_tangents.h"

#include "core/log.h"

namespace qv3rn {

bool computeTangents(Mesh& mesh) {
    const FixedArray<TexCoord>& st = mesh.texCoords(0);
    const auto vertexCount = static_cast<std::size_t>(mesh.vertexCount());
    if (!mesh.has(MeshFlags::TexCoords0) || st.size() < vertexCount || vertexCount == 0) {
        logger().printf("Mesh \"%s\" has no texture coordinates for tangents", mesh.name().c_str());
        return false;
    }
    mesh.setFlags(mesh.flags() | MeshFlags::TangentSpace);
    FixedArray<TangentSpace>& space = mesh.tangents();
    if (!space.hasStorage()) space.allocate(vertexCount);
    while (!space.full()) space.append(TangentSpace{});

    const FixedArray<MeshVertex>& vertices = mesh.vertices();
    for (const MeshTriangle& triangle : mesh.triangles()) {
        bool inside = true;
        for (int corner : triangle.vertices)
            inside = inside && corner >= 0 && static_cast<std::size_t>(corner) < space.size();
        if (!inside) continue;
        const auto i0 = static_cast<std::size_t>(triangle.vertices[0]);
        const auto i1 = static_cast<std::size_t>(triangle.vertices[1]);
        const auto i2 = static_cast<std::size_t>(triangle.vertices[2]);
        const Vec3 e1 = vertices[i1].position - vertices[i0].position;
        const Vec3 e2 = vertices[i2].position - vertices[i0].position;
        const float ds1 = st[i1].u - st[i0].u, ds2 = st[i2].u - st[i0].u;
        const float dt1 = st[i1].v - st[i0].v, dt2 = st[i2].v - st[i0].v;
        Vec3 tangent = (e1 * dt2 - e2 * dt1).normalized();
        Vec3 binormal = (e1 * ds2 - e2 * ds1).normalized();
        if (dot(cross(tangent, binormal), vertices[i0].normal) < 0.0f) {
            tangent = -tangent;
            binormal = -binormal;
        }
        for (std::size_t corner : {i0, i1, i2}) {
            space[corner].tangent += tangent;
            space[corner].binormal += binormal;
        }
    }
    for (TangentSpace& record : space) {
        record.tangent = record.tangent.normalized();
        record.binormal = record.binormal.normalized();
    }
    return true;
}

}  // namespace qv3rn
