// effect.cpp -- the effect base: type names of the kinds and the base release.
#include "effects/effect.h"

#include <array>

namespace qv3rn {

namespace {

// Indexed by kind.
constexpr std::array<std::string_view, effectKindCount> typeNames{
    "Blocks", "ChangeDrawBuffer", "ChangeViewport", "ClearBuffer", "Diffusion",      "DissolveBrush",
    "Flash",  "HermiteBrush",     "Image",          "Invert",      "Lines",          "PostProcessing",
    "Scene",  "SplineBrush",      "Stream",         "Text",        "TextFade",       "Tunnel",
};

}  // namespace

std::string_view effectTypeName(std::uint32_t kind) { return kind < typeNames.size() ? typeNames[kind] : ""; }

bool Effect::release() {
    visibleTrack_.reset();
    return true;
}

}  // namespace qv3rn
