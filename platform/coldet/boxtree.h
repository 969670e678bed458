// A bounding-box tree over a model's triangles, in model coordinates, and the world boxes it is
// tested with. World boxes are the model boxes carried through the transform and padded, so that
// they always hold what the exact tests could count as touching.
#pragma once

#include "coldet/geometry.h"

#include <cstdint>
#include <vector>

namespace coldet {

struct BoxNode {
    float lo[3];
    float hi[3];
    // A leaf holds `count` triangles from `first` of the tree's order; an inner node has its first
    // child right after it and its second at `first`.
    std::uint32_t first;
    std::uint32_t count;
    bool isLeaf() const { return count != 0; }
};

struct WorldBox {
    Vec3 centre;
    Vec3 half;  // padded
};

class BoxTree {
public:
    // corners: nine floats per triangle. Triangles with non-finite corners are left out.
    void build(const std::vector<float>& corners);
    bool empty() const { return m_nodes.empty(); }
    const std::vector<BoxNode>& nodes() const { return m_nodes; }
    // Triangle numbers in leaf order.
    const std::vector<std::uint32_t>& order() const { return m_order; }

private:
    std::uint32_t buildRange(const std::vector<float>& corners, std::vector<Vec3>& centroids, std::uint32_t begin,
                             std::uint32_t end);

    std::vector<BoxNode> m_nodes;
    std::vector<std::uint32_t> m_order;
};

WorldBox toWorld(const BoxNode& node, const Matrix& m);
bool boxesOverlap(const WorldBox& a, const WorldBox& b);
bool boxNearSphere(const WorldBox& box, Vec3 centre, double radius);
// Whether the ray o + t u enters the box for some t in [tMin, tMax].
bool rayEntersBox(const WorldBox& box, Vec3 o, Vec3 u, double tMin, double tMax);

}  // namespace coldet
