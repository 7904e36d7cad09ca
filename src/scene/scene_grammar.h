// scene_grammar.h -- the keyword tables of the scene script's node blocks.
#pragma once

#include <memory>

#include "data/keyword_table.h"
#include "scene/mesh_node.h"
#include "scene/scene_node.h"

namespace qv3rn {

// The lines every node block offers to these rows first, in this order (longer keywords before the shorter ones
// they contain: "Enable {" before "Enable ", "EdgeMesh {" and "DeformMesh {" before "Mesh {"): the node's name,
// enable state, keyframer and transform, the spark and lens-flare registrations, and the keywords that open
// child nodes. A child is added after its whole block is read.
const KeywordTable<SceneNode>& commonNodeRows();

// The mesh options ("TwoPassBlending", lazy points, glow shells, particles, zoom ghosts) that "Mesh {",
// "DeformMesh {" and "Morph {" offer a line after the common rows and before their own.
const KeywordTable<MeshNode>& meshOptionRows();

// The root block the line opens ("Group {", "DefaultLighting {", "PerPixelLighting {",
// "PerPixelBumpMapLighting {", tried in that order), read with the loader of `line`; false when the line opens
// none.
bool readRootNode(BlockLine& line, std::unique_ptr<SceneNode>& root);

}  // namespace qv3rn
