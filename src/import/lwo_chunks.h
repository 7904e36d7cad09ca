// lwo_chunks.h -- the readers of the object format's chunks, shared by the object reader's files.
#pragma once

#include "import/lwo_bytes.h"
#include "import/lwo_object.h"

namespace qv3rn::lwo {

// "SURF": a surface with its sub-chunks and texture blocks.
std::unique_ptr<LwoSurface> readSurface(LwoBytes chunk);
// "CLIP": an image clip; only still images keep their file name.
LwoClip readClip(LwoBytes chunk);
// "ENVL": an envelope with its keys and spans.
LwoEnvelope readEnvelope(LwoBytes chunk);

// Checks every index against what it indexes, resolves the polygon tags, the surfaces and the discontinuous
// maps, then runs the post-processing steps on every layer in order: polygon normals, point normals, generated
// texture coordinates, type slots, triangulation, splitting of discontinuous points, bounding boxes.
void postProcess(LwoObject& object);

}  // namespace qv3rn::lwo
