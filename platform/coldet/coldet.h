// Triangle-mesh collision models: build once in model coordinates, place with a world matrix, then
// test against another model, a ray or a sphere.
//
// Conventions
// - Points and vectors are three floats; matrices are 16 floats, row vectors (p' = p * M), translation
//   in elements 12 to 14. The matrix is used as an affine map: elements 3, 7, 11 and 15 are ignored.
//   Scaled, sheared and mirrored matrices are fine.
// - A test uses the transform last set on each model (identity until one is set).
// - A model answers no test (every test is false) until finalize, and when it has no triangles.
// - Degenerate triangles (collinear or coincident corners, or non-finite coordinates, in model or in
//   world space) never hit. A zero-length ray direction, a negative or non-finite radius and
//   non-finite arguments never hit.
// - Touching counts as meeting: two triangles meet when they are no farther apart than a tolerance of
//   1e-7 x (1 + the largest world coordinate magnitude of their corners); a sphere meets a triangle
//   when the triangle comes within the radius; a ray meets a triangle at any distance within the
//   segment bounds, both ends included. A ray lying in a triangle's plane does not meet it.
//
// Contacts
// - Each successful test records one contact on the model the test was called on; a failed test
//   leaves the previous record in place. getCollidingTriangles and getCollisionPoint report that
//   record, and write zeros (returning false) before any test has succeeded.
// - collision: the pair reported is the first met by a fixed-order walk of both models' volume trees,
//   so the same models and transforms always give the same pair. The point is the midpoint of the
//   pair's intersection segment, which lies on both triangles; for triangles that only touch, or
//   overlap in one plane, it is the midpoint of the two nearest points.
// - rayCollision: the triangle hit and the hit point (the nearest along the segment when closest is
//   true, otherwise the first found); the second triangle of getCollidingTriangles is zeros.
// - sphereCollision: the first triangle found within the radius and its point nearest the centre;
//   the second triangle is zeros.
//
// Models are used from one thread at a time; a test records its contact on the model it was called on.
#pragma once

#include <memory>

class CollisionModel3D {
public:
    CollisionModel3D();
    ~CollisionModel3D();
    CollisionModel3D(const CollisionModel3D&) = delete;
    CollisionModel3D& operator=(const CollisionModel3D&) = delete;

    // A hint of how many triangles follow.
    void setTriangleNumber(int num);
    // One triangle in model coordinates, corners in the given order. Ignored after finalize.
    void addTriangle(const float* v1, const float* v2, const float* v3);
    // Builds the volume tree; the model answers tests from now on. A second call does nothing.
    void finalize();

    void setTransform(const float* m);

    // True when a triangle of this model meets a triangle of the other, each under its own transform
    // (the other's replaced by otherTransform when given). Accuracy and time limit are accepted and
    // ignored: the test is always exact and complete.
    bool collision(CollisionModel3D* other, int accuracyDepth = -1, int maxProcessingTime = 0,
                   const float* otherTransform = nullptr);

    // True when the ray from origin along direction meets a triangle at a distance d from the origin
    // with segmin <= d <= segmax (and d >= 0). Distances are world units along the normalised
    // direction, whatever the direction's length.
    bool rayCollision(const float* origin, const float* direction, bool closest, float segmin, float segmax);

    // True when some triangle comes within radius of the centre.
    bool sphereCollision(const float* origin, float radius);

    // The recorded contact's triangles (this model's, then the other's), nine floats each: in world
    // coordinates, or with modelSpace true in each model's own coordinates.
    bool getCollidingTriangles(float* t1, float* t2, bool modelSpace);
    // The recorded contact point: in world coordinates, or with modelSpace true in this model's.
    bool getCollisionPoint(float* p, bool modelSpace);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A new, empty model with the identity transform. Static and moving models behave alike; the flag is
// accepted for the callers' sake. Release with delete.
CollisionModel3D* newCollisionModel3D(bool isStatic = false);
