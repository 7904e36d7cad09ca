// tunnel_effect.cpp -- the tunnel: its keywords, the tube mesh, the per-frame ripple of its vertices, drawing.
#include "effects/tunnel_effect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "math/mat4.h"
#include "shader/shader.h"

namespace qv3rn {

namespace {

constexpr float twoPi = 6.2831855f;
constexpr float fourPi = 12.566371f;
constexpr float radius = 10.0f;
// Normals (0, 1, 0), texture-coordinate set 0 on GL_TEXTURE0: the vertex colours are kept but not drawn.
constexpr std::uint16_t tunnelMeshFlags = MeshFlags::Normals | MeshFlags::TexCoords0;

}  // namespace

bool TunnelEffect::sizeFits(std::int64_t segments, std::int64_t rings) {
    return segments >= 2 && rings >= 2 && segments <= maxVertices && rings <= maxVertices &&
           segments * rings <= maxVertices;
}

TunnelEffect::~TunnelEffect() { releaseShader(); }

bool TunnelEffect::setShader(ShaderHandle shader) {
    releaseShader();
    shader_ = std::move(shader);
    return static_cast<bool>(shader_);
}

void TunnelEffect::releaseShader() { qv3rn::releaseShader(shader_); }

bool TunnelEffect::release() {
    releaseShader();
    mesh_.reset();
    columns_.clear();
    return Effect::release();
}

// Ring j lies at z = f * length with f = -0.5 + j / rings; vertex i of a ring at angle i * 2 pi / segments.
// Each ring is as opaque as the square of how far along the tube it lies. Quads join column i to column i + 1
// of neighbouring rings, so the tube has segments - 1 quads around until the first update closes it.
bool TunnelEffect::init() {
    mesh_.reset();
    if (!sizeFits(segments, rings)) {
        logFieldError(logName, name(),
                      "size " + std::to_string(segments) + " x " + std::to_string(rings) + " does not fit");
        return false;
    }
    auto mesh = std::make_unique<Mesh>();
    mesh->setFlags(tunnelMeshFlags);
    if (!mesh->allocate(segments * rings, 2 * (rings - 1) * (segments - 1))) return false;
    for (int j = 0; j < rings; ++j) {
        const float f = -0.5f + static_cast<float>(j) / static_cast<float>(rings);
        const float along = f + 0.5f;
        for (int i = 0; i < segments; ++i) {
            const float a = static_cast<float>(i) * twoPi / static_cast<float>(segments);
            MeshVertex vertex;
            vertex.position = {radius * std::cos(a), radius * std::sin(a), f * length};
            vertex.normal = {0.0f, 1.0f, 0.0f};
            vertex.colour[0] = vertex.colour[1] = vertex.colour[2] = 255;
            vertex.colour[3] = static_cast<std::uint8_t>(std::trunc(along * along * 255.0f));
            const auto index = static_cast<std::size_t>(mesh->addVertex(vertex));
            mesh->texCoords(0)[index] = {static_cast<float>(i) / static_cast<float>(segments), along};
        }
    }
    for (int j = 0; j + 1 < rings; ++j)
        for (int i = 0; i + 1 < segments; ++i) {
            const int a = j * segments + i, b = (j + 1) * segments + i;
            for (const std::array<int, 3>& corners : {std::array{a, b, b + 1}, std::array{a, b + 1, a + 1}}) {
                MeshTriangle triangle;
                std::ranges::copy(corners, triangle.vertices);
                mesh->addTriangle(triangle);
            }
        }
    mesh->buildBatches();
    mesh_ = std::move(mesh);
    columns_.assign(static_cast<std::size_t>(segments), Column{});
    return true;
}

// For column i, A = -phase2 + i / (segments - 1) and B = i * linear1 / (segments - 1); for ring j,
// Y = -phase3 + j / rings. A vertex's distance from the axis is 10 - 2 d, where d sums a circular ripple of
// r = |(sin 2 pi A, Y)| and two sine waves along and around the tube; each ring is turned by a twist that swings
// with time. The normal is the ripple's slope, turned with the vertex. Since A runs over exactly one period
// from the first column to the last, the last column lands on the first.
void TunnelEffect::update(float time) {
    if (lastTime == 0.0f) lastTime = time - 0.001f;
    const float dt = time - lastTime;
    lastTime = time;
    const float advance = dt * speed;
    for (float& p : phase) p += advance;
    if (!mesh_) return;

    const float along = time * linear[0];
    const float wobble = std::cos(time * 0.125f);
    const float lastColumn = static_cast<float>(segments - 1);
    for (int i = 0; i < segments; ++i) {
        const float a = -phase[2] + static_cast<float>(i) / lastColumn;
        const float b = static_cast<float>(i) * linear[1] / lastColumn;
        const float q = std::sin(twoPi * b) + phase[0] + along;
        columns_[static_cast<std::size_t>(i)] = {std::sin(twoPi * a), twoPi * a, std::sin(q), std::cos(q)};
    }
    MeshVertex* vertex = mesh_->vertices().data();
    TexCoord* texCoord = mesh_->texCoords(0).data();
    for (int j = 0; j < rings; ++j) {
        const float y = -phase[3] + static_cast<float>(j) / static_cast<float>(rings);
        const float cr = static_cast<float>(j) * linear[2] / static_cast<float>(rings);
        const float twist = wobble * wobble * twoPi + static_cast<float>(j) * fourPi / static_cast<float>(rings);
        const float p = cr + phase[1] + along;
        const float sinP = std::sin(p), cosP = std::cos(p);
        for (const Column& column : columns_) {
            const float r = std::sqrt(column.sinA * column.sinA + y * y);
            const float w = time * circular[0] + r * circular[1];
            const float angle = twist + column.angle;
            const float d = std::sin(w) * circular[2] + (sinP + column.sinQ) * linear[3];
            const float distance = radius - 2.0f * d;
            const float cosAngle = std::cos(angle), sinAngle = std::sin(angle);
            vertex->position.x = cosAngle * distance;
            vertex->position.y = sinAngle * distance;

            // On the centre line (r = 0) the circular ripple has no slope to speak of: it adds nothing there,
            // rather than an infinite or undefined normal.
            const float k = r > 0.0f ? (circular[2] / r) * circular[1] * std::cos(w) : 0.0f;
            float nx = (k * column.sinA + column.cosQ * linear[3] * linear[1]) * -0.2f;
            float ny = (k * y + cosP * linear[3] * linear[2]) * -0.2f;
            const float scale = 1.0f / std::sqrt(nx * nx + ny * ny + 1.0f);
            nx *= scale;
            ny *= scale;
            vertex->normal = {nx * cosAngle + ny * sinAngle, ny * cosAngle - nx * sinAngle, -scale};

            texCoord->u += dt * scrollU;
            texCoord->v += dt * scrollV;
            ++vertex;
            ++texCoord;
        }
    }
}

void TunnelEffect::render() {
    if (!mesh_) return;
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glLoadMatrixf(Mat4::lookAt({0.0f, 0.0f, -0.45f * length}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}).data());
    if (shader_) shader_->begin();
    mesh_->enableArrays();
    mesh_->drawAll(true);
    mesh_->disableArrays();
    if (shader_) shader_->end();
    glPopMatrix();
    glPopAttrib();
    glClear(GL_DEPTH_BUFFER_BIT);  // what is drawn after the tunnel is not hidden by its walls
}

namespace {

// Both numbers are read as 32-bit integers, then checked together.
void readSize(TunnelEffect& tunnel, BlockLine& line) {
    long long values[2] = {tunnel.segments, tunnel.rings};
    scanIntegers(line.text, values, 2);
    const auto segments = wrappedInteger<std::int32_t>(values[0]);
    const auto rings = wrappedInteger<std::int32_t>(values[1]);
    if (!TunnelEffect::sizeFits(segments, rings))
        throw std::runtime_error("TunnelEffect size out of range: " + line.text);
    tunnel.segments = segments;
    tunnel.rings = rings;
}

void readShader(TunnelEffect& tunnel, BlockLine& line) {
    const std::string name = quotedText(line.text);
    ShaderManager* manager = ShaderManager::instance();
    if (!tunnel.setShader(manager ? manager->find(name) : ShaderHandle{}))
        logFieldError(TunnelEffect::logName, tunnel.name(), "unable to find shader \"" + name + "\"");
}

KeywordTable<TunnelEffect> tunnelGrammar() {
    return effectGrammar<TunnelEffect>({
        {"Size ", readSize},
        floats("Length ", &TunnelEffect::length),
        floats("Speed ", &TunnelEffect::speed),
        floats("Linear ", &TunnelEffect::linear),
        floats("Circular ", &TunnelEffect::circular),
        floats("Params ", &TunnelEffect::phase, &TunnelEffect::scrollU, &TunnelEffect::scrollV),
        {"Shader ", readShader},
    });
}

}  // namespace

TunnelEffectLoader::TunnelEffectLoader()
    : EffectLoaderOf("Tunnel", tunnelGrammar(), UnknownLine::raise("TunnelEffect unknown token")) {}

std::unique_ptr<EffectLoader> makeTunnelLoader() { return std::make_unique<TunnelEffectLoader>(); }

}  // namespace qv3rn
