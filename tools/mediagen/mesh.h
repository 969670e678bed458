// Triangle meshes as the X writer needs them: positions, one texture coordinate per vertex,
// faces with a material each. Front faces are clockwise in left-handed axes, that is
// (v1 - v0) x (v2 - v0) points out of the solid.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common.h"
#include "image.h"

namespace mediagen {

struct Material {
    Rgb diffuse{1, 1, 1};
    std::string texture;  // empty: no TextureFilename
};

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<std::array<float, 2>> uvs;
    std::vector<std::array<uint32_t, 3>> faces;
    std::vector<uint32_t> faceMaterials;
    std::vector<Material> materials{Material{}};

    uint32_t AddVertex(Vec3 p, float u, float v);
    void AddFace(uint32_t a, uint32_t b, uint32_t c, uint32_t material = 0);
    // Appends another mesh (its materials mapped onto this one's by index).
    void Append(const Mesh& other);
    void Translate(Vec3 d);
    void Flip(size_t firstFace, size_t endFace);
    // Flips faces [firstFace, endFace) when they enclose negative volume, so a closed part faces out.
    void OrientOutward(size_t firstFace, size_t endFace);
    std::array<Vec3, 2> Bounds() const;
    // Per-vertex normals from the faces (area weighted).
    std::vector<Vec3> VertexNormals() const;
};

double SignedVolume(const Mesh& mesh, size_t firstFace, size_t endFace);

using UvFunction = std::function<std::array<float, 2>(Vec3)>;

// A closed tube through rings of equal point count, each ring a loop; the ends are closed by a
// fan to an apex (a point) or, when no apex is given, to the ring's own centre (a flat cap).
// The part is oriented to face out.
void AddLoft(Mesh& mesh, const std::vector<std::vector<Vec3>>& rings, std::optional<Vec3> startApex,
             std::optional<Vec3> endApex, const UvFunction& uv, uint32_t material = 0);

// An ellipse ring of n points in the plane perpendicular to z (x = rx cos, y = ry sin).
std::vector<Vec3> EllipseRingZ(Vec3 centre, float rx, float ry, int n, float phase = 0);
// The same in the plane perpendicular to y.
std::vector<Vec3> EllipseRingY(Vec3 centre, float rx, float rz, int n, float phase = 0);

// A closed box, faces out.
void AddBox(Mesh& mesh, Vec3 lo, Vec3 hi, const UvFunction& uv, uint32_t material = 0);

}  // namespace mediagen
