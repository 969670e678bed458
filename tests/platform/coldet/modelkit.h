// Small builders for collision tests: triangle lists, models and row-vector matrices.
#pragma once

#include "coldet/coldet.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace kit {

using Tri = std::array<float, 9>;
using Mat = std::array<float, 16>;
using ModelPtr = std::unique_ptr<CollisionModel3D>;

inline ModelPtr makeModel(const std::vector<Tri>& tris, bool finalize = true) {
    ModelPtr m(newCollisionModel3D(false));
    m->setTriangleNumber(static_cast<int>(tris.size()));
    for (const Tri& t : tris) m->addTriangle(&t[0], &t[3], &t[6]);
    if (finalize) m->finalize();
    return m;
}

// The box [lo, hi] as twelve triangles.
inline std::vector<Tri> box(std::array<float, 3> lo, std::array<float, 3> hi) {
    std::vector<Tri> out;
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (float side : {lo[axis], hi[axis]}) {
            std::array<std::array<float, 3>, 4> q;
            const float us[4] = {lo[u], hi[u], hi[u], lo[u]};
            const float vs[4] = {lo[v], lo[v], hi[v], hi[v]};
            for (int k = 0; k < 4; ++k) {
                q[k][axis] = side;
                q[k][u] = us[k];
                q[k][v] = vs[k];
            }
            out.push_back({q[0][0], q[0][1], q[0][2], q[1][0], q[1][1], q[1][2], q[2][0], q[2][1], q[2][2]});
            out.push_back({q[0][0], q[0][1], q[0][2], q[2][0], q[2][1], q[2][2], q[3][0], q[3][1], q[3][2]});
        }
    }
    return out;
}

inline std::vector<Tri> unitCube() { return box({0, 0, 0}, {1, 1, 1}); }

inline Mat identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

inline Mat multiply(const Mat& a, const Mat& b) {
    Mat r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
            r[i * 4 + j] = s;
        }
    return r;
}

inline Mat translation(float x, float y, float z) {
    Mat m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

inline Mat scaling(float x, float y, float z) {
    Mat m = identity();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

// Rotation by angle about a unit axis, for row vectors.
inline Mat rotation(float ax, float ay, float az, float angle) {
    const float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    Mat m = identity();
    m[0] = t * ax * ax + c;
    m[1] = t * ax * ay + s * az;
    m[2] = t * ax * az - s * ay;
    m[4] = t * ax * ay - s * az;
    m[5] = t * ay * ay + c;
    m[6] = t * ay * az + s * ax;
    m[8] = t * ax * az + s * ay;
    m[9] = t * ay * az - s * ax;
    m[10] = t * az * az + c;
    return m;
}

}  // namespace kit
