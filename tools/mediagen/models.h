// The meshes of the world, each modelled at the size the game draws it (the level files'
// scales are not applied to anything but fish).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mesh.h"

namespace mediagen {

// Rocks: their base sits at local y = 0 and goes on down to y = -3, to stay buried in the floor.
Mesh Boulder(uint32_t seed, float rx, float ry, float rz);
Mesh Pillar(uint32_t seed, float radius, float height);

// Key poses 0, 1, 2 of a moving rock: same vertices, faces and texture coordinates; pose 1 is
// the middle shape and poses 0 and 2 sway to opposite sides.
std::array<Mesh, 3> KelpPoses(uint32_t seed, float height);
std::array<Mesh, 3> AnemonePoses(uint32_t seed);

struct FishShape {
    float length;  // along z, nose at -z
    float height;
    float width;
};
// Key poses of a fish: pose 1 straight, poses 0 and 2 with the tail bent to +x and to -x.
std::array<Mesh, 3> FishPoses(const FishShape& shape);

// The player's view: hands and speargun in the eye frame (x right, y up, z forward), with an
// unseen body behind the eye so that the bounding box (the collision box) surrounds the eye.
Mesh DiverMesh();
Mesh SpearMesh();
Mesh BoatMesh();  // about 30 long, bow along +z, bounding box centred on the origin
// A side of the sky box as seen from inside: its outward axis, and the directions of the
// texture's u (right) and v (down) across it.
struct SkyFace {
    const char* suffix;
    Vec3 normal, right, down;
};
const std::array<SkyFace, 6>& SkyFaces();
// An inward-facing cube around the origin, one material and texture per side, in the order
// of SkyFaces.
Mesh SkyBoxMesh(const std::array<std::string, 6>& textures, float halfSize);

// The surface overlay, in the -0.5..0.5 screen space facing the viewer (who looks along +z).
Mesh ChartMesh();         // the chart background over x 0.2..0.44, y 0.25..0.54
Mesh BoatMarkerMesh();    // an arrow pointing up (+y), centred on the origin
Mesh PointMarkerMesh();   // a small diamond centred on the origin
Mesh DepthSounderMesh();  // 53 vertices: 0 and 1 the baseline, 2..52 the trace by increasing x

}  // namespace mediagen
