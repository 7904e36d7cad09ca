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

HeldLocks::HeldLocks(std::initializer_list<RenderStateKind> kinds) {
    for (const RenderStateKind kind : kinds) {
        const auto index = static_cast<std::size_t>(kind);
        if (!hasLock(kind) || held_[index]) continue;
        held_[index] = true;
        earlier_[index] = locks[index];
        locks[index] = true;
    }
}

HeldLocks::~HeldLocks() {
    for (std::size_t index = 0; index < locks.size(); ++index)
        if (held_[index]) locks[index] = earlier_[index];
}

}  // namespace qv3rn
