// render_state.h -- the common interface of a shader's render states and the process-wide lock switches.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <ostream>

namespace qv3rn {

// The kinds of render state, numbered as the shader script's state blocks are.
enum class RenderStateKind : std::int32_t {
    Alpha = 0,            // "Alpha {"
    Blend = 1,            // "Blend {"
    Cull = 2,             // "Cull {"
    Fog = 3,              // "Fog {"
    TextureUnit = 4,      // "Texture {"
    Stencil = 5,          // "Stencil {"
    ZBuffer = 6,          // "ZBuffer {"
    VertexProgram = 7,    // "Vertex {"
    FragmentProgram = 8,  // "Fragment {"
    Material = 9,         // "Material {"
    Polygon = 10,         // "Polygon {" (has no lock switch)
    LogicOp = 11,         // "LogicOp {"
};

inline constexpr int renderStateKindCount = 12;

// One piece of OpenGL state a shader sets before drawing (apply) and puts back to the engine's baseline after
// drawing (restore). The baseline: culling on (counter-clockwise fronts, back faces culled), depth test on with
// GL_LEQUAL and depth writes on, alpha test, blending, fog, stencil test, logic op and both program modes off,
// fill mode on both faces, colour material on with a white current colour and the default material.
class RenderState {
public:
    explicit RenderState(RenderStateKind kind) : kind_(kind) {}
    virtual ~RenderState() = default;
    RenderState(const RenderState&) = delete;
    RenderState& operator=(const RenderState&) = delete;

    virtual void apply() = 0;
    virtual void restore() = 0;
    // Writes the state back as shader-script text; states without a text form write nothing.
    virtual void write(std::ostream& out) const { (void)out; }

    RenderStateKind kind() const { return kind_; }

private:
    RenderStateKind kind_;
};

// Process-wide switches that suppress one kind of state: while a kind is locked, apply and restore of every
// state of that kind do nothing, so code that draws with its own fixed state (shadow passes, some effects) can
// draw shadered geometry without the shader touching that piece of state. The black-material switch makes
// material states draw black. Everything starts off; reset() turns everything off again.
class RenderStateLocks {
public:
    static void setLocked(RenderStateKind kind, bool locked);  // no effect for Polygon, which has no lock
    static bool isLocked(RenderStateKind kind);
    static void setBlackMaterial(bool on);
    static bool blackMaterial();
    static void reset();
};

// Locks the given kinds while it lives and then gives each its earlier setting back, so that a pass nested in
// another that locked the same kinds leaves them locked.
class HeldLocks {
public:
    HeldLocks(std::initializer_list<RenderStateKind> kinds);
    ~HeldLocks();
    HeldLocks(const HeldLocks&) = delete;
    HeldLocks& operator=(const HeldLocks&) = delete;

private:
    std::array<bool, renderStateKindCount> earlier_{};
    std::array<bool, renderStateKindCount> held_{};
};

}  // namespace qv3rn
