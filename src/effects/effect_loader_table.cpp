// effect_loader_table.cpp -- the effect types the effect script knows, in the order it creates their loaders.
#include "effects/effect_loaders.h"

namespace qv3rn {

// Registering a type: define its make...Loader() beside the type and put the maker in its row below.
// A row whose maker is null is a type this build does not read: its blocks are skipped like unknown ones.
const EffectLoaderEntry effectLoaderTable[effectKindCount] = {
    {"Blocks", makeBlocksLoader},
    {"Flash", makeFlashLoader},
    {"Image", makeImageLoader},
    {"Invert", makeInvertLoader},
    {"Lines", makeLinesLoader},
    {"Stream", makeStreamLoader},
    {"TextFade", makeTextFadeLoader},
    {"Tunnel", makeTunnelLoader},
    {"ClearBuffer", makeClearBufferLoader},
    {"Scene", makeSceneLoader},
    {"ChangeViewport", makeChangeViewportLoader},
    {"ChangeDrawBuffer", makeChangeDrawBufferLoader},
    {"HermiteBrush", makeHermiteBrushLoader},
    {"DissolveBrush", makeDissolveBrushLoader},
    {"Text", makeTextLoader},
    {"Diffusion", makeDiffusionLoader},
    {"SplineBrush", makeSplineBrushLoader},
    {"PostProcessing", makePostProcessingLoader},
};

}  // namespace qv3rn
