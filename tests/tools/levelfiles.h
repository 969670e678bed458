// The level files of one generated level, read back token by token.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "mediacheck.h"

namespace mediacheck {

struct Placed {
    std::string mesh, texture;
    float x = 0, y = 0, z = 0;
};
struct FishRecord {
    std::string meshes[3], texture;
    float scale = 0;
    int waypoint = 0;
    float range = 0, trait1 = 0, trait2 = 0;
};
struct WaypointRow {
    Vec3 pos;
    std::vector<int> next;
};
struct MovingRecord {
    std::string meshes[3], texture;
    float frequency = 0;
    float x = 0, y = 0, z = 0;
};

struct Level {
    std::string folder;  // "nivel1\"
    // nivel.plt
    std::string next, intro, drown, caught;
    int water[3] = {};
    float fogStart = 0, fogEnd = 0, maxAir = 0, ballast = 0, currentX = 0, currentZ = 0;
    int goalType = -1, goalValue = 0;
    // ladrillos.plt
    std::vector<Placed> rocks;
    Placed spear, diver;
    // peces.plt
    std::vector<FishRecord> fish;
    std::vector<WaypointRow> waypoints;
    // ladrillosmv.plt
    std::vector<MovingRecord> moving;
    // guibarca.plt
    std::string overlay[4][2];
    std::vector<Vec3> mapPoints;
    // mar.plt
    std::vector<float> sea;  // the 25 floats
    int seaSide = 0;
};

// Reads every level file of folder (e.g. "nivel1\"); throws std::runtime_error on a bad file.
Level ReadLevel(const fs::path& root, const std::string& folder);
// The level chain from "nivel1\" following each level's next folder until it comes back.
std::vector<Level> ReadAllLevels(const fs::path& root);

}  // namespace mediacheck
