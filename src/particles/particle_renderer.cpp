// particle_renderer.cpp -- the five particle renderers in immediate mode, lighting off while they draw.
#include "particles/particle_renderer.h"

#include <GL/gl.h>

#include <array>

#include "mesh/mesh.h"

namespace qv3rn {

namespace {

void vertex(const Vec3& v) { glVertex3f(v.x, v.y, v.z); }

// The primitive kinds: lighting saved and off between glBegin and glEnd.
class PrimitiveRenderer : public ParticleRenderer {
public:
    PrimitiveRenderer(ShaderHandle shader, GLenum primitive)
        : ParticleRenderer(std::move(shader)), primitive_(primitive) {}

    void begin() override {
        ParticleRenderer::begin();
        glPushAttrib(GL_LIGHTING_BIT | GL_ENABLE_BIT);
        glDisable(GL_LIGHTING);
        glBegin(primitive_);
    }
    void end() override {
        glEnd();
        glPopAttrib();
        ParticleRenderer::end();
    }

protected:
    void quad(const Vec3& first, const Vec3& second, float size) const { emitFacingQuad(camera_, first, second, size); }

private:
    GLenum primitive_;
};

class PointsRenderer final : public PrimitiveRenderer {
public:
    explicit PointsRenderer(ShaderHandle shader) : PrimitiveRenderer(std::move(shader), GL_POINTS) {}
    RendererKind kind() const override { return RendererKind::Points; }
    void draw(const Particle& p) override {
        glColor4fv(p.color.data());
        vertex(p.position);
    }
};

class LinesRenderer final : public PrimitiveRenderer {
public:
    explicit LinesRenderer(ShaderHandle shader) : PrimitiveRenderer(std::move(shader), GL_LINES) {}
    RendererKind kind() const override { return RendererKind::Lines; }
    void draw(const Particle& p) override {
        glColor4fv(p.color.data());
        vertex(p.previousPosition);
        vertex(p.position);
    }
};

class QuadsRenderer final : public PrimitiveRenderer {
public:
    explicit QuadsRenderer(ShaderHandle shader) : PrimitiveRenderer(std::move(shader), GL_QUADS) {}
    RendererKind kind() const override { return RendererKind::Quads; }
    void draw(const Particle& p) override {
        glColor4fv(p.color.data());
        quad(p.position, p.position, p.size);
    }
};

class StretchQuadsRenderer final : public PrimitiveRenderer {
public:
    explicit StretchQuadsRenderer(ShaderHandle shader) : PrimitiveRenderer(std::move(shader), GL_QUADS) {}
    RendererKind kind() const override { return RendererKind::StretchQuads; }
    void draw(const Particle& p) override {
        glColor4fv(p.color.data());
        quad(p.previousPosition, p.position, p.size);
    }
};

// The mesh at each particle's position; its batches' own shaders apply when the renderer has none.
class MeshesRenderer final : public ParticleRenderer {
public:
    MeshesRenderer(ShaderHandle shader, Mesh& mesh) : ParticleRenderer(std::move(shader)), mesh_(mesh) {}
    RendererKind kind() const override { return RendererKind::Meshes; }
    void begin() override {
        ParticleRenderer::begin();
        mesh_.enableArrays();
    }
    void end() override {
        mesh_.disableArrays();
        ParticleRenderer::end();
    }
    void draw(const Particle& p) override {
        glPushMatrix();
        glTranslatef(p.position.x, p.position.y, p.position.z);
        mesh_.drawAll(shader() == nullptr);
        glPopMatrix();
    }

private:
    Mesh& mesh_;
};

}  // namespace

std::optional<RendererKind> rendererKindNamed(std::string_view name) {
    for (std::size_t i = 0; i < rendererKindNames.size(); ++i)
        if (name == rendererKindNames[i]) return static_cast<RendererKind>(i);
    return std::nullopt;
}

const char* rendererKindName(RendererKind kind) { return rendererKindNames[static_cast<std::size_t>(kind)]; }

ParticleRenderer::~ParticleRenderer() { releaseShader(shader_); }

void ParticleRenderer::begin() {
    camera_ = cameraAxesOfModelview();
    if (shader_) shader_->begin();
}

void ParticleRenderer::end() {
    if (shader_) shader_->end();
}

std::unique_ptr<ParticleRenderer> makeParticleRenderer(RendererKind kind, ShaderHandle shader, Mesh* mesh) {
    switch (kind) {
    case RendererKind::Points: return std::make_unique<PointsRenderer>(std::move(shader));
    case RendererKind::Lines: return std::make_unique<LinesRenderer>(std::move(shader));
    case RendererKind::Quads: return std::make_unique<QuadsRenderer>(std::move(shader));
    case RendererKind::StretchQuads: return std::make_unique<StretchQuadsRenderer>(std::move(shader));
    case RendererKind::Meshes:
        if (!mesh) return nullptr;
        return std::make_unique<MeshesRenderer>(std::move(shader), *mesh);
    }
    return nullptr;
}

}  // namespace qv3rn
