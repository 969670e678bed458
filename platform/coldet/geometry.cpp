#include "coldet/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace coldet {

namespace {

// Corners of a triangle this far outside its edges (in barycentric weight) still count as on it, so
// that a ray through a shared edge cannot slip between two neighbours.
constexpr double kEdgeSlack = 1e-10;

double maxAbs(const Triangle& t) {
    double m = 0.0;
    for (const Vec3& v : t) m = std::max({m, std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
    return m;
}

// Where the edge p-q, with signed plane distances dp and dq, crosses the triangle's plane, if that
// point lies on the triangle. An edge lying in the plane is left to the nearest-feature test.
bool edgePierces(Vec3 p, Vec3 q, double dp, double dq, const Triangle& tri, Vec3* x) {
    if ((dp > 0.0 && dq > 0.0) || (dp < 0.0 && dq < 0.0) || (dp == 0.0 && dq == 0.0)) return false;
    const Vec3 hit = p + (q - p) * (dp / (dp - dq));
    const std::array<double, 3> w = barycentric(hit, tri);
    if (w[0] < -kEdgeSlack || w[1] < -kEdgeSlack || w[2] < -kEdgeSlack) return false;
    *x = hit;
    return true;
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Nearest points of segments p1-q1 and p2-q2 (neither of zero length).
void closestOnSegments(Vec3 p1, Vec3 q1, Vec3 p2, Vec3 q2, Vec3* c1, Vec3* c2) {
    const Vec3 d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
    const double a = dot(d1, d1), e = dot(d2, d2), f = dot(d2, r);
    const double c = dot(d1, r), b = dot(d1, d2);
    const double denom = a * e - b * b;
    double s = denom > 0.0 ? clamp01((b * f - c * e) / denom) : 0.0;
    double t = (b * s + f) / e;
    if (t < 0.0) {
        t = 0.0;
        s = clamp01(-c / a);
    } else if (t > 1.0) {
        t = 1.0;
        s = clamp01((b - c) / a);
    }
    *c1 = p1 + d1 * s;
    *c2 = p2 + d2 * t;
}

}  // namespace

Matrix toMatrix(const float* m) {
    Matrix r{};
    for (int i = 0; i < 16; ++i) r[i] = m[i];
    return r;
}

Vec3 transformPoint(const Matrix& m, const float* p) {
    const double x = p[0], y = p[1], z = p[2];
    return {x * m[0] + y * m[4] + z * m[8] + m[12], x * m[1] + y * m[5] + z * m[9] + m[13],
            x * m[2] + y * m[6] + z * m[10] + m[14]};
}

Triangle transformTriangle(const Matrix& m, const float* corners9) {
    return {transformPoint(m, corners9), transformPoint(m, corners9 + 3), transformPoint(m, corners9 + 6)};
}

bool isDegenerate(const Triangle& t) {
    for (const Vec3& v : t)
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return true;
    const Vec3 e1 = t[1] - t[0], e2 = t[2] - t[0];
    const double nn = lengthSq(cross(e1, e2));
    // Collinear to within an angle of about 1e-9 radians.
    return !std::isfinite(nn) || nn <= 1e-18 * lengthSq(e1) * lengthSq(e2);
}

double touchTolerance(const Triangle& a, const Triangle& b) {
    return kTouchTolerance * (1.0 + std::max(maxAbs(a), maxAbs(b)));
}

std::array<double, 3> barycentric(Vec3 p, const Triangle& tri) {
    const Vec3 n = cross(tri[1] - tri[0], tri[2] - tri[0]);
    const double nn = lengthSq(n);
    const double wa = dot(cross(tri[2] - tri[1], p - tri[1]), n) / nn;
    const double wb = dot(cross(tri[0] - tri[2], p - tri[2]), n) / nn;
    return {wa, wb, 1.0 - wa - wb};
}

bool trianglesMeet(const Triangle& a, const Triangle& b, Vec3* point) {
    if (isDegenerate(a) || isDegenerate(b)) return false;
    const double tol = touchTolerance(a, b);

    // Each triangle against the other's plane: wholly on one side, beyond the tolerance, is apart.
    const Vec3 na = cross(a[1] - a[0], a[2] - a[0]);
    const Vec3 nb = cross(b[1] - b[0], b[2] - b[0]);
    const Vec3 ua = na * (1.0 / std::sqrt(lengthSq(na)));
    const Vec3 ub = nb * (1.0 / std::sqrt(lengthSq(nb)));
    std::array<double, 3> db{}, da{};
    for (int i = 0; i < 3; ++i) {
        db[i] = dot(ua, b[i] - a[0]);
        da[i] = dot(ub, a[i] - b[0]);
    }
    const auto oneSide = [tol](const std::array<double, 3>& d) {
        return (d[0] > tol && d[1] > tol && d[2] > tol) || (d[0] < -tol && d[1] < -tol && d[2] < -tol);
    };
    if (oneSide(db) || oneSide(da)) return false;

    // Crossing triangles: the intersection segment runs between the points where edges of one pass
    // through the other.
    std::array<Vec3, 6> pierced;
    int nPierced = 0;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (edgePierces(a[i], a[j], da[i], da[j], b, &pierced[nPierced])) ++nPierced;
        if (edgePierces(b[i], b[j], db[i], db[j], a, &pierced[nPierced])) ++nPierced;
    }
    if (nPierced > 0) {
        Vec3 p = pierced[0], q = pierced[0];
        double best = -1.0;
        for (int i = 0; i < nPierced; ++i)
            for (int j = i; j < nPierced; ++j) {
                const double d = lengthSq(pierced[i] - pierced[j]);
                if (d > best) {
                    best = d;
                    p = pierced[i];
                    q = pierced[j];
                }
            }
        *point = (p + q) * 0.5;
        return true;
    }

    // No crossing: apart, touching, or overlapping in one plane. The nearest points of two such
    // triangles are a corner and a face, or two edges.
    double best = std::numeric_limits<double>::infinity();
    Vec3 bestP, bestQ;
    const auto consider = [&](Vec3 p, Vec3 q) {
        const double d = lengthSq(p - q);
        if (d < best) {
            best = d;
            bestP = p;
            bestQ = q;
        }
    };
    for (int i = 0; i < 3; ++i) {
        consider(a[i], closestPointOnTriangle(a[i], b));
        consider(b[i], closestPointOnTriangle(b[i], a));
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            Vec3 p, q;
            closestOnSegments(a[i], a[(i + 1) % 3], b[j], b[(j + 1) % 3], &p, &q);
            consider(p, q);
        }
    if (!(best <= tol * tol)) return false;
    *point = (bestP + bestQ) * 0.5;
    return true;
}

bool rayHitsTriangle(Vec3 o, Vec3 u, double tMin, double tMax, const Triangle& tri, double* t) {
    if (isDegenerate(tri)) return false;
    const Vec3 e1 = tri[1] - tri[0], e2 = tri[2] - tri[0];
    const Vec3 p = cross(u, e2);
    const double det = dot(e1, p);
    if (!(std::fabs(det) > 1e-12 * std::sqrt(lengthSq(e1) * lengthSq(e2)))) return false;
    const double inv = 1.0 / det;
    const Vec3 s = o - tri[0];
    const double bu = dot(s, p) * inv;
    if (bu < -kEdgeSlack || bu > 1.0 + kEdgeSlack) return false;
    const Vec3 q = cross(s, e1);
    const double bv = dot(u, q) * inv;
    if (bv < -kEdgeSlack || bu + bv > 1.0 + kEdgeSlack) return false;
    const double hit = dot(e2, q) * inv;
    if (!(hit >= tMin && hit <= tMax)) return false;
    *t = hit;
    return true;
}

Vec3 closestPointOnTriangle(Vec3 p, const Triangle& tri) {
    const Vec3 a = tri[0], b = tri[1], c = tri[2];
    const Vec3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0) return a;
    const Vec3 bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) return a + ab * (d1 / (d1 - d3));
    const Vec3 cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && d4 - d3 >= 0.0 && d5 - d6 >= 0.0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double denom = 1.0 / (va + vb + vc);
    return a + ab * (vb * denom) + ac * (vc * denom);
}

bool sphereMeetsTriangle(Vec3 centre, double radius, const Triangle& tri, Vec3* point) {
    if (isDegenerate(tri)) return false;
    const Vec3 q = closestPointOnTriangle(centre, tri);
    if (!(lengthSq(q - centre) <= radius * radius)) return false;
    *point = q;
    return true;
}

}  // namespace coldet
