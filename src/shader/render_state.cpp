// render_state.cpp -- the lock switches shared by every render state.
#include "shader/render_state.h"

#include <array>

namespace qv3rn {

namespace {
std::array<bool, renderStateKindCount> locks{};
bool blackMaterialOn = false;

bool hasLock(RenderStateKind kind) {
    const auto index = static_cast<int>(kind);
    return index >= 0 && index < renderStateKindCount && kind != RenderStateKind::Polygon;
}
}  // namespace

void RenderStateLocks::setLocked(RenderStateKind kind, bool locked) {
    if (hasLock(kind)) locks[static_cast<int>(kind)] = locked;
}

bool RenderStateLocks::isLocked(RenderStateKind kind) { return hasLock(kind) && locks[static_cast<int>(kind)]; }

void RenderStateLocks::setBlackMaterial(bool on) { blackMaterialOn = on; }

bool RenderStateLocks::blackMaterial() { return blackMaterialOn; }

void RenderStateLocks::reset() {
    locks.fill(false);
    blackMaterialOn = false;
}

}  // namespace qv3rn
