// Exact primitive tests of the collision models, in double precision and world coordinates.
// The volume tree only decides which triangles reach these tests; every answer comes from here.
#pragma once

#include <array>

namespace coldet {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double lengthSq(Vec3 a) { return dot(a, a); }

using Triangle = std::array<Vec3, 3>;

// Row-vector affine transform, 16 elements, translation in 12 to 14.
using Matrix = std::array<double, 16>;

Matrix toMatrix(const float* m);
Vec3 transformPoint(const Matrix& m, const float* p);
Triangle transformTriangle(const Matrix& m, const float* corners9);

// Relative tolerance under which two triangles count as touching.
inline constexpr double kTouchTolerance = 1e-7;

bool isDegenerate(const Triangle& t);
double touchTolerance(const Triangle& a, const Triangle& b);

// Whether two non-degenerate triangles meet (within touchTolerance); on true, *point is the contact
// point described in coldet.h.
bool trianglesMeet(const Triangle& a, const Triangle& b, Vec3* point);

// Ray o + t u (u of unit length) against a triangle for t in [tMin, tMax]; on a hit, *t.
bool rayHitsTriangle(Vec3 o, Vec3 u, double tMin, double tMax, const Triangle& tri, double* t);

Vec3 closestPointOnTriangle(Vec3 p, const Triangle& tri);

// Whether the triangle comes within radius of the centre; on true, *point is its nearest point.
bool sphereMeetsTriangle(Vec3 centre, double radius, const Triangle& tri, Vec3* point);

// Barycentric weights of the projection of p onto the triangle's plane (weights of a, b, c).
std::array<double, 3> barycentric(Vec3 p, const Triangle& tri);

}  // namespace coldet
