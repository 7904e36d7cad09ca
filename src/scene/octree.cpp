// octree.cpp -- building the cells breadth-first within the depth and entry limits, culling them against a
// frustum and drawing the gathered triangles batch by batch.
#include "scene/octree.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <unordered_map>
#include <utility>

namespace qv3rn {

namespace {

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Child k of a cell: bit 0 of k picks the upper half in x, bit 1 in y, bit 2 in z.
BoundingBox childBox(const BoundingBox& box, int k) {
    const Vec3 c = box.center();
    BoundingBox child = box;
    (k & 1 ? child.min.x : child.max.x) = c.x;
    (k & 2 ? child.min.y : child.max.y) = c.y;
    (k & 4 ? child.min.z : child.max.z) = c.z;
    return child;
}

// Whether a triangle with bounds [low, high] on one axis belongs to the lower or upper half split at `centre`.
// Only a triangle reaching past the dividing plane on both sides goes into both: one that ends on the plane
// stays on its own side, one lying in it goes to the upper half, so that grids aligned with the cells and flat
// meshes do not double up. Every point of the triangle still lies in a cell that holds it.
bool inHalf(float low, float high, float centre, bool upper) {
    return upper ? high > centre || low >= centre : low < centre;
}

bool inChild(const BoundingBox& triangle, const Vec3& centre, int k) {
    return inHalf(triangle.min.x, triangle.max.x, centre.x, k & 1) &&
           inHalf(triangle.min.y, triangle.max.y, centre.y, k & 2) &&
           inHalf(triangle.min.z, triangle.max.z, centre.z, k & 4);
}

}  // namespace

void Octree::clear() {
    mesh_ = nullptr;
    box_ = {};
    stats_ = {};
    cells_.clear();
    leafTriangles_.clear();
    batchOf_.clear();
    stamp_.clear();
    cullNumber_ = 0;
    visible_.clear();
    culled_.clear();
    visibleLeaves_ = 0;
}

bool Octree::build(Mesh& mesh, const OctreeSettings& settings, std::string& error) {
    clear();
    if (settings.maxTriangles < 1) {
        error = "the most triangles per cell must be at least 1";
        return false;
    }
    if (settings.maxDepth < 0) {
        error = "the depth must not be negative";
        return false;
    }
    if (!std::isfinite(settings.boxSide) || settings.boxSide < 0.0f) {
        error = "the cell side must be a number of at least 0";
        return false;
    }

    // Each drawable triangle's batch and bounds; triangles with corners out of range or not finite draw
    // nothing and stay out.
    std::unordered_map<const Shader*, std::uint32_t> batchOfShader;
    for (std::size_t b = 0; b < mesh.batches().size(); ++b)
        batchOfShader.emplace(mesh.batches()[b].shader.get(), static_cast<std::uint32_t>(b));
    const auto& triangles = mesh.triangles();
    const auto& vertices = mesh.vertices();
    std::vector<BoundingBox> bounds(triangles.size());
    std::vector<std::uint32_t> held;
    BoundingBox all;
    batchOf_.assign(triangles.size(), 0);
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const auto batch = batchOfShader.find(triangles[t].shader.get());
        if (batch == batchOfShader.end()) continue;
        bool drawable = true;
        for (int k = 0; k < 3 && drawable; ++k) {
            const int corner = triangles[t].vertices[k];
            drawable = corner >= 0 && corner < static_cast<int>(vertices.size()) &&
                       finite(vertices[static_cast<std::size_t>(corner)].position);
            if (!drawable) break;
            const Vec3& p = vertices[static_cast<std::size_t>(corner)].position;
            if (k == 0) bounds[t] = BoundingBox::around(p);
            else bounds[t].extend(p);
        }
        if (!drawable) continue;
        all = held.empty() ? bounds[t] : all;
        all.extend(bounds[t].min);
        all.extend(bounds[t].max);
        batchOf_[t] = batch->second;
        held.push_back(static_cast<std::uint32_t>(t));
    }
    if (held.empty()) {
        error = "the mesh has no triangles to sort";
        clear();
        return false;
    }

    // The root is the cube around the triangles, so that every cell is a cube.
    const Vec3 size = all.size();
    const float half = std::max({size.x, size.y, size.z}) * 0.5f;
    const Vec3 centre = all.center();
    box_ = {centre - Vec3{half, half, half}, centre + Vec3{half, half, half}};
    mesh_ = &mesh;
    stats_.triangles = static_cast<int>(held.size());

    struct Pending {
        std::int32_t cell;
        int depth;
        std::vector<std::uint32_t> triangles;
    };
    const int depthCap = std::min(settings.maxDepth, depthLimit);
    const std::size_t budget = static_cast<std::size_t>(referenceBudget) * held.size();
    std::size_t references = held.size();
    std::deque<Pending> pending;
    cells_.push_back({box_});
    pending.push_back({0, 0, std::move(held)});
    while (!pending.empty()) {
        Pending work = std::move(pending.front());
        pending.pop_front();
        const BoundingBox box = cells_[static_cast<std::size_t>(work.cell)].box;
        const float side = box.max.x - box.min.x;
        const std::size_t count = work.triangles.size();
        bool split = count > static_cast<std::size_t>(settings.maxTriangles) && work.depth < depthCap &&
                     side > 0.0f && side * 0.5f >= settings.boxSide;
        std::array<std::vector<std::uint32_t>, 8> parts;
        if (split) {
            const Vec3 middle = box.center();
            for (std::uint32_t t : work.triangles)
                for (int k = 0; k < 8; ++k)
                    if (inChild(bounds[t], middle, k)) parts[static_cast<std::size_t>(k)].push_back(t);
            std::size_t total = 0, nonEmpty = 0, whole = 0;
            for (const auto& part : parts) {
                total += part.size();
                nonEmpty += part.empty() ? 0 : 1;
                whole += part.size() == count ? 1 : 0;
            }
            // Copying every triangle into several children sorts nothing; one child with all of them
            // still shrinks the box.
            const bool sorts = nonEmpty == 1 || whole < nonEmpty;
            split = sorts && references - count + total <= budget;
            if (split) references = references - count + total;
        }
        if (!split) {
            Cell& cell = cells_[static_cast<std::size_t>(work.cell)];
            cell.first = static_cast<std::uint32_t>(leafTriangles_.size());
            cell.count = static_cast<std::uint32_t>(count);
            leafTriangles_.insert(leafTriangles_.end(), work.triangles.begin(), work.triangles.end());
            ++stats_.leaves;
            stats_.depth = std::max(stats_.depth, work.depth);
            continue;
        }
        cells_[static_cast<std::size_t>(work.cell)].leaf = false;
        for (int k = 0; k < 8; ++k) {
            auto& part = parts[static_cast<std::size_t>(k)];
            if (part.empty()) continue;
            const auto child = static_cast<std::int32_t>(cells_.size());
            cells_.push_back({childBox(box, k)});
            cells_[static_cast<std::size_t>(work.cell)].children[k] = child;
            pending.push_back({child, work.depth + 1, std::move(part)});
        }
    }
    stats_.cells = static_cast<int>(cells_.size());
    stats_.references = static_cast<int>(leafTriangles_.size());
    stamp_.assign(triangles.size(), 0);
    culled_.assign(mesh.batches().size(), {});
    return true;
}

void Octree::markLeaf(const Cell& cell) {
    ++visibleLeaves_;
    for (std::uint32_t i = cell.first; i < cell.first + cell.count; ++i) {
        const std::uint32_t t = leafTriangles_[i];
        if (stamp_[t] == cullNumber_) continue;
        stamp_[t] = cullNumber_;
        visible_.push_back(t);
    }
}

void Octree::markSubtree(std::int32_t index) {
    const Cell& cell = cells_[static_cast<std::size_t>(index)];
    if (cell.leaf) {
        markLeaf(cell);
        return;
    }
    for (std::int32_t child : cell.children)
        if (child >= 0) markSubtree(child);
}

int Octree::cull(const Frustum& frustum) {
    visible_.clear();
    visibleLeaves_ = 0;
    for (auto& indices : culled_) indices.clear();
    if (cells_.empty()) return 0;
    if (++cullNumber_ == 0) {  // the numbers wrapped: forget the old marks
        std::fill(stamp_.begin(), stamp_.end(), 0u);
        cullNumber_ = 1;
    }

    // At most seven siblings wait on each level above the cell being looked at.
    std::array<std::int32_t, 8 * (depthLimit + 1)> stack;
    std::size_t top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const std::int32_t index = stack[--top];
        const Cell& cell = cells_[static_cast<std::size_t>(index)];
        switch (frustum.classify(cell.box)) {
        case Frustum::BoxSide::Outside: break;
        case Frustum::BoxSide::Inside: markSubtree(index); break;
        case Frustum::BoxSide::Partly:
            if (cell.leaf) markLeaf(cell);
            else
                for (std::int32_t child : cell.children)
                    if (child >= 0) stack[top++] = child;
            break;
        }
    }

    // The mesh's own order within each batch: sort a few triangles, or scan the marks when many are seen.
    const auto& triangles = mesh_->triangles();
    auto gather = [&](std::uint32_t t) {
        auto& indices = culled_[batchOf_[t]];
        for (int corner : triangles[t].vertices) indices.push_back(static_cast<std::uint32_t>(corner));
    };
    if (visible_.size() * 8 < stamp_.size()) {
        std::sort(visible_.begin(), visible_.end());
        for (std::uint32_t t : visible_) gather(t);
    } else {
        for (std::uint32_t t = 0; t < stamp_.size(); ++t)
            if (stamp_[t] == cullNumber_) gather(t);
    }
    return visibleLeaves_;
}

void Octree::drawCulled(bool applyShaders) {
    if (!mesh_ || visible_.empty()) return;
    const auto& batches = mesh_->batches();
    mesh_->enableArrays();
    for (std::size_t b = 0; b < culled_.size() && b < batches.size(); ++b) {
        if (culled_[b].empty()) continue;
        Shader* shader = batches[b].shader.get();
        if (applyShaders && shader) shader->begin();
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(culled_[b].size()), GL_UNSIGNED_INT, culled_[b].data());
        if (applyShaders && shader) shader->end();
    }
    mesh_->disableArrays();
}

void Octree::drawCurrentView(bool applyShaders) {
    Mat4 projection, modelview;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    cull(Frustum(projection, modelview));
    drawCulled(applyShaders);
}

}  // namespace qv3rn
