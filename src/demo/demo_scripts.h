// demo_scripts.h -- the show's scripts as the demo loads them: the shader script, the few textures made at once,
// the lens-flare sprites and the effect timeline; and how a loading failure is worded.
#pragma once

#include <array>
#include <exception>
#include <memory>
#include <string>

#include "shader/ref_counted.h"
#include "shader/shader_script_loader.h"  // Required for: ProgressCallback
#include "shader/texture.h"

namespace qv3rn {

class Archive;

// Why loading stopped: the message as the failing reader words it and, for our own scripts, where.
struct LoadingFailure {
    std::string message;
    std::string file;  // empty when not known
    int line = 0;      // 0 when not known
    bool unknown = false;  // not a runtime error: something else was thrown

    // The message, then the place ("in data\effect\demo.effect, line 12") on a line of its own when known.
    std::string boxText() const;
    // One line for the log and the window title: "file:line: message".
    std::string oneLine() const;
};

// Turns the exception in flight into a LoadingFailure (call inside a catch block).
LoadingFailure currentLoadingFailure();

class DemoScripts {
public:
    static constexpr const char* shaderScript = "data\\shader\\demo.shader";
    static constexpr const char* effectScript = "data\\effect\\demo.effect";
    // Images the shader script defines that get their OpenGL texture at once, in this order.
    static constexpr std::array<const char*, 3> immediateTextures = {"PointLightAttenuation1D", "fireandsmoke",
                                                                     "SpotLightCubeMap"};
    static constexpr std::array<const char*, 6> lensFlareNames = {"sg_lensflare_1", "sg_lensflare_2",
                                                                  "sg_lensflare_3", "sg_lensflare_4",
                                                                  "sg_lensflare_5", "sg_lensflare_6"};

    // The shader script (from `archive` when one is open, otherwise from disk), the immediate textures, the
    // lens-flare handles, then the timeline. Script errors are thrown as the readers raise them; a reader that
    // only reports failure (a missing script, a block it cannot read) is turned into a std::runtime_error
    // carrying its "<file>:<line>: <reason>" text, so that no failure passes as a loaded show.
    void load(const std::shared_ptr<Archive>& archive, const ProgressCallback& progress);
    // The effect script alone, read into the process's effect manager: then every effect is initialised and
    // finished effects are released from then on.
    void loadTimeline(const std::shared_ptr<Archive>& archive, const ProgressCallback& progress);

    // The lens-flare sprites found (null where the shader script has none).
    const std::array<Handle<Texture>, 6>& lensFlares() const { return lensFlares_; }
    void releaseLensFlares();

private:
    void loadShaderScript(const std::shared_ptr<Archive>& archive, const ProgressCallback& progress);

    std::array<Handle<Texture>, 6> lensFlares_;
};

}  // namespace qv3rn
