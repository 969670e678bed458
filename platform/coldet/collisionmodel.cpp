#include "coldet/coldet.h"

#include "coldet/boxtree.h"
#include "coldet/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

using namespace coldet;

namespace {

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Beyond this the count is only a wrong hint; the vector still grows as triangles arrive.
constexpr int kMaxReservedTriangles = 1 << 20;

struct Contact {
    bool valid = false;
    float model1[9] = {};
    float model2[9] = {};
    Triangle world1{};
    Triangle world2{};
    Vec3 pointWorld;
    Vec3 pointModel;
};

bool finite3(const float* v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

void writeTriangle(float* out, const Triangle& t) {
    for (int v = 0; v < 3; ++v) {
        out[v * 3] = static_cast<float>(t[v].x);
        out[v * 3 + 1] = static_cast<float>(t[v].y);
        out[v * 3 + 2] = static_cast<float>(t[v].z);
    }
}

double halfSize(const WorldBox& b) { return b.half.x + b.half.y + b.half.z; }

}  // namespace

struct CollisionModel3D::Impl {
    std::vector<float> corners;  // nine per triangle, model coordinates
    BoxTree tree;
    bool finalized = false;
    Matrix transform = kIdentity;
    Contact contact;

    bool ready() const { return finalized && !tree.empty(); }
    const float* triangle(std::uint32_t leafSlot) const { return &corners[tree.order()[leafSlot] * 9]; }

    // world1 is the triangle of this model that met; other and world2 may be absent.
    void record(const float* model1, const Triangle& world1, const float* model2, const Triangle* world2, Vec3 point) {
        contact.valid = true;
        std::memcpy(contact.model1, model1, sizeof contact.model1);
        if (model2)
            std::memcpy(contact.model2, model2, sizeof contact.model2);
        else
            std::memset(contact.model2, 0, sizeof contact.model2);
        contact.world1 = world1;
        contact.world2 = world2 ? *world2 : Triangle{};
        contact.pointWorld = point;
        // The same place on the triangle in model coordinates; needs no inverse of the transform.
        const std::array<double, 3> w = barycentric(point, world1);
        contact.pointModel = {
            w[0] * model1[0] + w[1] * model1[3] + w[2] * model1[6],
            w[0] * model1[1] + w[1] * model1[4] + w[2] * model1[7],
            w[0] * model1[2] + w[1] * model1[5] + w[2] * model1[8],
        };
    }

    // Depth first through the boxes that `enters` lets in, handing each triangle of the leaves
    // reached to `visit` (model corners, world triangle) until it returns true.
    template <class Enters, class Visit> void walk(Enters enters, Visit visit) const {
        const std::vector<BoxNode>& nodes = tree.nodes();
        std::vector<std::uint32_t> stack;
        stack.reserve(64);
        stack.push_back(0);
        while (!stack.empty()) {
            const std::uint32_t index = stack.back();
            stack.pop_back();
            const BoxNode& node = nodes[index];
            if (!enters(toWorld(node, transform))) continue;
            if (!node.isLeaf()) {
                stack.push_back(node.first);
                stack.push_back(index + 1);
                continue;
            }
            for (std::uint32_t i = 0; i < node.count; ++i) {
                const float* model = triangle(node.first + i);
                if (visit(model, transformTriangle(transform, model))) return;
            }
        }
    }
};

CollisionModel3D::CollisionModel3D() : m_impl(std::make_unique<Impl>()) {}
CollisionModel3D::~CollisionModel3D() = default;

void CollisionModel3D::setTriangleNumber(int num) {
    if (m_impl->finalized || num <= 0) return;
    m_impl->corners.reserve(static_cast<size_t>(std::min(num, kMaxReservedTriangles)) * 9);
}

void CollisionModel3D::addTriangle(const float* v1, const float* v2, const float* v3) {
    if (m_impl->finalized || !v1 || !v2 || !v3) return;
    std::vector<float>& c = m_impl->corners;
    c.insert(c.end(), v1, v1 + 3);
    c.insert(c.end(), v2, v2 + 3);
    c.insert(c.end(), v3, v3 + 3);
}

void CollisionModel3D::finalize() {
    if (m_impl->finalized) return;
    m_impl->tree.build(m_impl->corners);
    m_impl->finalized = true;
}

void CollisionModel3D::setTransform(const float* m) {
    if (m) m_impl->transform = toMatrix(m);
}

bool CollisionModel3D::collision(CollisionModel3D* other, int, int, const float* otherTransform) {
    if (!other || !m_impl->ready() || !other->m_impl->ready()) return false;
    const Impl& a = *m_impl;
    const Impl& b = *other->m_impl;
    const Matrix& ma = a.transform;
    const Matrix mb = otherTransform ? toMatrix(otherTransform) : b.transform;
    const std::vector<BoxNode>& nodesA = a.tree.nodes();
    const std::vector<BoxNode>& nodesB = b.tree.nodes();

    std::vector<std::pair<std::uint32_t, std::uint32_t>> stack;
    stack.reserve(64);
    stack.emplace_back(0, 0);
    while (!stack.empty()) {
        const auto [ia, ib] = stack.back();
        stack.pop_back();
        const BoxNode& na = nodesA[ia];
        const BoxNode& nb = nodesB[ib];
        const WorldBox wa = toWorld(na, ma);
        const WorldBox wb = toWorld(nb, mb);
        if (!boxesOverlap(wa, wb)) continue;
        if (na.isLeaf() && nb.isLeaf()) {
            Triangle tb[2];
            for (std::uint32_t j = 0; j < nb.count; ++j) tb[j] = transformTriangle(mb, b.triangle(nb.first + j));
            for (std::uint32_t i = 0; i < na.count; ++i) {
                const float* modelA = a.triangle(na.first + i);
                const Triangle ta = transformTriangle(ma, modelA);
                for (std::uint32_t j = 0; j < nb.count; ++j) {
                    Vec3 point;
                    if (trianglesMeet(ta, tb[j], &point)) {
                        m_impl->record(modelA, ta, b.triangle(nb.first + j), &tb[j], point);
                        return true;
                    }
                }
            }
            continue;
        }
        // Descend the larger box; first children are pushed last so that they are visited first.
        const bool splitA = !na.isLeaf() && (nb.isLeaf() || halfSize(wa) >= halfSize(wb));
        if (splitA) {
            stack.emplace_back(na.first, ib);
            stack.emplace_back(ia + 1, ib);
        } else {
            stack.emplace_back(ia, nb.first);
            stack.emplace_back(ia, ib + 1);
        }
    }
    return false;
}

bool CollisionModel3D::rayCollision(const float* origin, const float* direction, bool closest, float segmin,
                                    float segmax) {
    if (!origin || !direction || !m_impl->ready() || !finite3(origin) || !finite3(direction)) return false;
    const Vec3 o{origin[0], origin[1], origin[2]};
    const Vec3 d{direction[0], direction[1], direction[2]};
    const double len = std::sqrt(lengthSq(d));
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    const Vec3 u = d * (1.0 / len);
    const double tMin = std::max(0.0, double(segmin));
    double tMax = segmax;
    if (!(tMin <= tMax)) return false;

    bool found = false;
    const float* bestModel = nullptr;
    Triangle bestWorld{};
    double bestT = 0.0;
    m_impl->walk([&](const WorldBox& box) { return rayEntersBox(box, o, u, tMin, tMax); },
                 [&](const float* model, const Triangle& world) {
                     double t;
                     if (!rayHitsTriangle(o, u, tMin, tMax, world, &t) || (found && !(t < bestT))) return false;
                     found = true;
                     bestModel = model;
                     bestWorld = world;
                     bestT = t;
                     // The closest hit narrows the segment so that farther boxes are skipped.
                     tMax = t;
                     return !closest;
                 });
    if (!found) return false;
    m_impl->record(bestModel, bestWorld, nullptr, nullptr, o + u * bestT);
    return true;
}

bool CollisionModel3D::sphereCollision(const float* origin, float radius) {
    if (!origin || !m_impl->ready() || !finite3(origin) || !(radius >= 0.0f) || !std::isfinite(radius)) return false;
    const Vec3 c{origin[0], origin[1], origin[2]};
    bool found = false;
    m_impl->walk([&](const WorldBox& box) { return boxNearSphere(box, c, radius); },
                 [&](const float* model, const Triangle& world) {
                     Vec3 point;
                     if (!sphereMeetsTriangle(c, radius, world, &point)) return false;
                     m_impl->record(model, world, nullptr, nullptr, point);
                     found = true;
                     return true;
                 });
    return found;
}

bool CollisionModel3D::getCollidingTriangles(float* t1, float* t2, bool modelSpace) {
    const Contact& c = m_impl->contact;
    if (!c.valid) {
        if (t1) std::memset(t1, 0, 9 * sizeof(float));
        if (t2) std::memset(t2, 0, 9 * sizeof(float));
        return false;
    }
    if (modelSpace) {
        if (t1) std::memcpy(t1, c.model1, sizeof c.model1);
        if (t2) std::memcpy(t2, c.model2, sizeof c.model2);
    } else {
        if (t1) writeTriangle(t1, c.world1);
        if (t2) writeTriangle(t2, c.world2);
    }
    return true;
}

bool CollisionModel3D::getCollisionPoint(float* p, bool modelSpace) {
    if (!p) return false;
    const Contact& c = m_impl->contact;
    const Vec3 v = !c.valid ? Vec3{} : modelSpace ? c.pointModel : c.pointWorld;
    p[0] = static_cast<float>(v.x);
    p[1] = static_cast<float>(v.y);
    p[2] = static_cast<float>(v.z);
    return c.valid;
}

CollisionModel3D* newCollisionModel3D(bool) { return new CollisionModel3D(); }
