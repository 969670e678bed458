#include "mesh.h"

#include <algorithm>

namespace mediagen {

uint32_t Mesh::AddVertex(Vec3 p, float u, float v) {
    positions.push_back(p);
    uvs.push_back({u, v});
    return static_cast<uint32_t>(positions.size() - 1);
}

void Mesh::AddFace(uint32_t a, uint32_t b, uint32_t c, uint32_t material) {
    faces.push_back({a, b, c});
    faceMaterials.push_back(material);
}

void Mesh::Append(const Mesh& other) {
    const uint32_t base = static_cast<uint32_t>(positions.size());
    positions.insert(positions.end(), other.positions.begin(), other.positions.end());
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
    for (size_t f = 0; f < other.faces.size(); ++f) {
        const auto& t = other.faces[f];
        AddFace(t[0] + base, t[1] + base, t[2] + base, other.faceMaterials[f]);
    }
    if (other.materials.size() > materials.size()) materials = other.materials;
}

void Mesh::Translate(Vec3 d) {
    for (Vec3& p : positions) p = p + d;
}

void Mesh::Flip(size_t firstFace, size_t endFace) {
    for (size_t f = firstFace; f < endFace; ++f) std::swap(faces[f][1], faces[f][2]);
}

void Mesh::OrientOutward(size_t firstFace, size_t endFace) {
    if (SignedVolume(*this, firstFace, endFace) < 0) Flip(firstFace, endFace);
}

std::array<Vec3, 2> Mesh::Bounds() const {
    Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const Vec3& p : positions) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return {lo, hi};
}

std::vector<Vec3> Mesh::VertexNormals() const {
    std::vector<Vec3> n(positions.size());
    for (const auto& t : faces) {
        Vec3 c = Cross(positions[t[1]] - positions[t[0]], positions[t[2]] - positions[t[0]]);
        for (uint32_t i : t) n[i] = n[i] + c;
    }
    for (Vec3& v : n) {
        v = Normalize(v);
        if (Length(v) == 0) v = {0, 1, 0};
    }
    return n;
}

double SignedVolume(const Mesh& mesh, size_t firstFace, size_t endFace) {
    double v = 0;
    for (size_t f = firstFace; f < endFace; ++f) {
        const auto& t = mesh.faces[f];
        Vec3 a = mesh.positions[t[0]], b = mesh.positions[t[1]], c = mesh.positions[t[2]];
        v += Dot(a, Cross(b - a, c - a));
    }
    return v / 6.0;
}

void AddLoft(Mesh& mesh, const std::vector<std::vector<Vec3>>& rings, std::optional<Vec3> startApex,
             std::optional<Vec3> endApex, const UvFunction& uv, uint32_t material) {
    const size_t firstFace = mesh.faces.size();
    const uint32_t n = static_cast<uint32_t>(rings.front().size());
    auto add = [&](Vec3 p) {
        auto t = uv(p);
        return mesh.AddVertex(p, t[0], t[1]);
    };
    auto centre = [&](const std::vector<Vec3>& ring) {
        Vec3 c{};
        for (Vec3 p : ring) c = c + p;
        return c * (1.0f / static_cast<float>(ring.size()));
    };
    const uint32_t first = add(startApex ? *startApex : centre(rings.front()));
    std::vector<uint32_t> ringStart;
    for (const auto& ring : rings) {
        ringStart.push_back(static_cast<uint32_t>(mesh.positions.size()));
        for (Vec3 p : ring) add(p);
    }
    const uint32_t last = add(endApex ? *endApex : centre(rings.back()));
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t j = (i + 1) % n;
        mesh.AddFace(first, ringStart.front() + j, ringStart.front() + i, material);
        for (size_t r = 0; r + 1 < rings.size(); ++r) {
            uint32_t a = ringStart[r] + i, b = ringStart[r] + j, c = ringStart[r + 1] + i, d = ringStart[r + 1] + j;
            mesh.AddFace(a, b, d, material);
            mesh.AddFace(a, d, c, material);
        }
        mesh.AddFace(last, ringStart.back() + i, ringStart.back() + j, material);
    }
    mesh.OrientOutward(firstFace, mesh.faces.size());
}

std::vector<Vec3> EllipseRingZ(Vec3 centre, float rx, float ry, int n, float phase) {
    std::vector<Vec3> ring;
    for (int k = 0; k < n; ++k) {
        float a = phase + 2 * kPi * static_cast<float>(k) / static_cast<float>(n);
        ring.push_back(centre + Vec3{rx * std::cos(a), ry * std::sin(a), 0});
    }
    return ring;
}

std::vector<Vec3> EllipseRingY(Vec3 centre, float rx, float rz, int n, float phase) {
    std::vector<Vec3> ring;
    for (int k = 0; k < n; ++k) {
        float a = phase + 2 * kPi * static_cast<float>(k) / static_cast<float>(n);
        ring.push_back(centre + Vec3{rx * std::cos(a), 0, rz * std::sin(a)});
    }
    return ring;
}

void AddBox(Mesh& mesh, Vec3 lo, Vec3 hi, const UvFunction& uv, uint32_t material) {
    const size_t firstFace = mesh.faces.size();
    uint32_t v[8];
    for (int k = 0; k < 8; ++k) {
        Vec3 p{(k & 1) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 4) ? hi.z : lo.z};
        auto t = uv(p);
        v[k] = mesh.AddVertex(p, t[0], t[1]);
    }
    static const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        size_t f = mesh.faces.size();
        mesh.AddFace(v[q[0]], v[q[1]], v[q[2]], material);
        mesh.AddFace(v[q[0]], v[q[2]], v[q[3]], material);
        // Each quad on its own: its normal must point away from the box centre.
        Vec3 c = (lo + hi) * 0.5f;
        const auto& t = mesh.faces[f];
        Vec3 n = Cross(mesh.positions[t[1]] - mesh.positions[t[0]], mesh.positions[t[2]] - mesh.positions[t[0]]);
        if (Dot(n, mesh.positions[t[0]] - c) < 0) mesh.Flip(f, f + 2);
    }
    (void)firstFace;
}

}  // namespace mediagen
