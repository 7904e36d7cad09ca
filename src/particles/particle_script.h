// particle_script.h -- the "ParticleSystem {" block of a scene script: the system's lines, the generator,
// renderer and modifier blocks inside it.
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "data/keyword_table.h"
#include "particles/particle_system.h"

namespace qv3rn {

// Reads the block after its "ParticleSystem {" line, up to its "}" or the end of the stream, and initialises
// the system with what was read. A system without a generator, without a renderer or with a maximum below 1
// is returned empty, with the reason in the log. Raises (for the caller's file and line) on a generator or
// renderer type it does not know, a maximum above ParticleSystem::maxParticleCeiling, a shader, mesh or
// envelope that cannot be found or read. Generators draw from the runtime's random generator.
std::unique_ptr<ParticleSystem> readParticleSystem(BlockLine& line);

// The first "ParticleSystem {" block of a script, read with the lines before it skipped; null when the script
// has none. Errors are ScriptError with `fileName` and the line.
std::unique_ptr<ParticleSystem> parseParticleSystem(std::istream& stream, const std::string& fileName);

}  // namespace qv3rn
