// morph_node.h -- a mesh node that blends between several meshes of the same vertex count: the morph amount
// picks two neighbouring targets and the fraction between them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "scene/mesh_node.h"

namespace qv3rn {

class MorphNode : public MeshNode {
public:
    MorphNode();
    ~MorphNode() override;

    // Sizes the target list once: later calls, and counts below 1, change nothing. Raises for a negative count.
    void setTargetCount(int count);
    // Appends a target while the list has room. The first target makes the working mesh the node draws (a copy
    // of it); a later target whose vertex count differs from the first's, or an empty mesh, raises an error.
    void addTarget(Mesh& target);
    void setAmountEnvelope(std::unique_ptr<Envelope> envelope) { amount_ = std::move(envelope); }
    const Envelope* amountEnvelope() const { return amount_.get(); }

    // The working mesh from the two targets the amount picks (see blend), then the mesh node's own step (lazy
    // points trail the morphed shape).
    void updateSelf(float time) override;
    // Writes the blend at morph amount `amount` into the working mesh: the integer part picks targets i and
    // i + 1 (i held to 0 .. n - 2, so that amounts outside the range extrapolate from the end pairs), the rest
    // is the fraction between them; normals are blended and normalised, colours come from target i.
    void blend(float amount);

    const std::vector<Mesh*>& targets() const { return targets_; }
    std::size_t targetRoom() const { return room_; }

private:
    std::vector<Mesh*> targets_;  // owned by the mesh cache
    std::size_t room_ = 0;
    bool sized_ = false;
    std::unique_ptr<Mesh> working_;
    std::unique_ptr<Envelope> amount_;
};

// A "Morph {" block must give its amount envelope: checked when the block ends.
void finishNode(MorphNode& node);

}  // namespace qv3rn
