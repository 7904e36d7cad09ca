// show_loader.h -- loading the show's scripts from a content folder laid out like the data archive, as the demo's
// initialisation does, for the tools and tests that play the timeline without the archive.
#pragma once

#include <cstdint>
#include <string>

namespace qv3rn {

class EffectManager;

struct ShowFiles {
    // Read through the shader script loader when the file exists.
    std::string shaderScript = "data\\shader\\demo.shader";
    // Must exist.
    std::string effectScript = "data\\effect\\demo.effect";
    // The runtime generator is seeded with this after the image registry's start-up (which seeds it from the
    // clock), so that effects drawing random numbers give the same frames on every run.
    std::uint32_t randomSeed = 1;
};

// With the current folder as the content folder (paths are relative to it, as the player's are to its own):
// prepares the image registry ("data\art\" then "data\fnt\" as search paths) and the mesh cache (the standard
// mesh formats, "data\obj\"), reads the shader script when
// present, reads the effect script into `manager`, runs initAll (where scene effects read their scripts) and
// switches keepFinished off. On failure returns
// false with `error` as "<file>:<line>: <message>" (or "<file>: <message>"); what was loaded before stays.
bool loadShow(const ShowFiles& files, EffectManager& manager, std::string& error);

}  // namespace qv3rn
