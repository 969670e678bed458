#include "coldet/boxtree.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace coldet {

namespace {

constexpr std::uint32_t kLeafTriangles = 2;

bool finiteCorners(const float* c) {
    for (int i = 0; i < 9; ++i)
        if (!std::isfinite(c[i])) return false;
    return true;
}

double component(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

}  // namespace

void BoxTree::build(const std::vector<float>& corners) {
    m_nodes.clear();
    m_order.clear();
    const std::uint32_t n = static_cast<std::uint32_t>(corners.size() / 9);
    std::vector<Vec3> centroids(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const float* c = &corners[i * 9];
        if (!finiteCorners(c)) continue;
        m_order.push_back(i);
        centroids[i] = {(double(c[0]) + c[3] + c[6]) / 3.0, (double(c[1]) + c[4] + c[7]) / 3.0,
                        (double(c[2]) + c[5] + c[8]) / 3.0};
    }
    if (m_order.empty()) return;
    m_nodes.reserve(2 * m_order.size() / kLeafTriangles + 1);
    buildRange(corners, centroids, 0, static_cast<std::uint32_t>(m_order.size()));
}

std::uint32_t BoxTree::buildRange(const std::vector<float>& corners, std::vector<Vec3>& centroids, std::uint32_t begin,
                                  std::uint32_t end) {
    BoxNode node{};
    for (int k = 0; k < 3; ++k) {
        node.lo[k] = std::numeric_limits<float>::infinity();
        node.hi[k] = -std::numeric_limits<float>::infinity();
    }
    Vec3 cLo{1e300, 1e300, 1e300}, cHi{-1e300, -1e300, -1e300};
    for (std::uint32_t i = begin; i < end; ++i) {
        const float* c = &corners[m_order[i] * 9];
        for (int v = 0; v < 3; ++v)
            for (int k = 0; k < 3; ++k) {
                node.lo[k] = std::min(node.lo[k], c[v * 3 + k]);
                node.hi[k] = std::max(node.hi[k], c[v * 3 + k]);
            }
        const Vec3 m = centroids[m_order[i]];
        cLo = {std::min(cLo.x, m.x), std::min(cLo.y, m.y), std::min(cLo.z, m.z)};
        cHi = {std::max(cHi.x, m.x), std::max(cHi.y, m.y), std::max(cHi.z, m.z)};
    }

    const std::uint32_t index = static_cast<std::uint32_t>(m_nodes.size());
    if (end - begin <= kLeafTriangles) {
        node.first = begin;
        node.count = end - begin;
        m_nodes.push_back(node);
        return index;
    }
    m_nodes.push_back(node);

    const Vec3 extent = cHi - cLo;
    const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
    const std::uint32_t mid = begin + (end - begin) / 2;
    // Ties broken by triangle number, so that the tree depends on the input alone.
    std::nth_element(m_order.begin() + begin, m_order.begin() + mid, m_order.begin() + end,
                     [&](std::uint32_t a, std::uint32_t b) {
                         const double ca = component(centroids[a], axis);
                         const double cb = component(centroids[b], axis);
                         return ca < cb || (ca == cb && a < b);
                     });
    buildRange(corners, centroids, begin, mid);
    const std::uint32_t second = buildRange(corners, centroids, mid, end);
    m_nodes[index].first = second;
    m_nodes[index].count = 0;
    return index;
}

WorldBox toWorld(const BoxNode& node, const Matrix& m) {
    const double c[3] = {0.5 * (double(node.lo[0]) + node.hi[0]), 0.5 * (double(node.lo[1]) + node.hi[1]),
                         0.5 * (double(node.lo[2]) + node.hi[2])};
    const double h[3] = {0.5 * (double(node.hi[0]) - node.lo[0]), 0.5 * (double(node.hi[1]) - node.lo[1]),
                         0.5 * (double(node.hi[2]) - node.lo[2])};
    double wc[3], wh[3];
    for (int j = 0; j < 3; ++j) {
        wc[j] = c[0] * m[j] + c[1] * m[4 + j] + c[2] * m[8 + j] + m[12 + j];
        wh[j] = h[0] * std::fabs(m[j]) + h[1] * std::fabs(m[4 + j]) + h[2] * std::fabs(m[8 + j]);
    }
    // Twice the touching tolerance of any triangle inside, which also covers rounding.
    const double reach = std::max({std::fabs(wc[0]) + wh[0], std::fabs(wc[1]) + wh[1], std::fabs(wc[2]) + wh[2]});
    const double pad = 2.0 * kTouchTolerance * (1.0 + reach);
    return {{wc[0], wc[1], wc[2]}, {wh[0] + pad, wh[1] + pad, wh[2] + pad}};
}

bool boxesOverlap(const WorldBox& a, const WorldBox& b) {
    return std::fabs(a.centre.x - b.centre.x) <= a.half.x + b.half.x &&
           std::fabs(a.centre.y - b.centre.y) <= a.half.y + b.half.y &&
           std::fabs(a.centre.z - b.centre.z) <= a.half.z + b.half.z;
}

bool boxNearSphere(const WorldBox& box, Vec3 centre, double radius) {
    const Vec3 d = centre - box.centre;
    const double ex = std::max(0.0, std::fabs(d.x) - box.half.x);
    const double ey = std::max(0.0, std::fabs(d.y) - box.half.y);
    const double ez = std::max(0.0, std::fabs(d.z) - box.half.z);
    return ex * ex + ey * ey + ez * ez <= radius * radius;
}

bool rayEntersBox(const WorldBox& box, Vec3 o, Vec3 u, double tMin, double tMax) {
    const double oc[3] = {o.x - box.centre.x, o.y - box.centre.y, o.z - box.centre.z};
    const double dir[3] = {u.x, u.y, u.z};
    const double half[3] = {box.half.x, box.half.y, box.half.z};
    for (int k = 0; k < 3; ++k) {
        if (dir[k] == 0.0) {
            if (!(std::fabs(oc[k]) <= half[k])) return false;
            continue;
        }
        double t0 = (-half[k] - oc[k]) / dir[k];
        double t1 = (half[k] - oc[k]) / dir[k];
        if (t0 > t1) std::swap(t0, t1);
        tMin = std::max(tMin, t0);
        tMax = std::min(tMax, t1);
        if (!(tMin <= tMax)) return false;
    }
    return true;
}

}  // namespace coldet
