// effect_loaders.h -- the makers of the per-type loaders, one for each effect type the effect script knows.
#pragma once

#include <memory>

#include "effects/effect_loader.h"

namespace qv3rn {

// Each effect type's source file defines its maker; effect_loader_table.cpp lists the makers in the order the
// effect script tries them. Only makers listed there need a definition.
std::unique_ptr<EffectLoader> makeBlocksLoader();
std::unique_ptr<EffectLoader> makeFlashLoader();
std::unique_ptr<EffectLoader> makeImageLoader();
std::unique_ptr<EffectLoader> makeInvertLoader();
std::unique_ptr<EffectLoader> makeLinesLoader();
std::unique_ptr<EffectLoader> makeStreamLoader();
std::unique_ptr<EffectLoader> makeTextFadeLoader();
std::unique_ptr<EffectLoader> makeTunnelLoader();
std::unique_ptr<EffectLoader> makeClearBufferLoader();
std::unique_ptr<EffectLoader> makeSceneLoader();
std::unique_ptr<EffectLoader> makeChangeViewportLoader();
std::unique_ptr<EffectLoader> makeChangeDrawBufferLoader();
std::unique_ptr<EffectLoader> makeHermiteBrushLoader();
std::unique_ptr<EffectLoader> makeDissolveBrushLoader();
std::unique_ptr<EffectLoader> makeTextLoader();
std::unique_ptr<EffectLoader> makeDiffusionLoader();
std::unique_ptr<EffectLoader> makeSplineBrushLoader();
std::unique_ptr<EffectLoader> makePostProcessingLoader();

// One row of the loader table: the type keyword and its maker (null while the type is not built).
struct EffectLoaderEntry {
    const char* typeName;
    std::unique_ptr<EffectLoader> (*make)();
};

// The eighteen effect types in the order the effect script creates their loaders.
extern const EffectLoaderEntry effectLoaderTable[effectKindCount];

}  // namespace qv3rn
