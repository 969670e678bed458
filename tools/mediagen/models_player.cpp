// The diver's view, the spear, the boat, the sky box and the surface overlay.
#include <cmath>

#include "models.h"

namespace mediagen {
namespace {

// Texture regions of "buzo.bmp": neoprene on the left half, wood top right, metal bottom right.
UvFunction Region(float u0, float v0, float u1, float v1, Vec3 lo, Vec3 hi) {
    return [=](Vec3 p) {
        float a = Clamp((p.x - lo.x + p.z - lo.z) / (hi.x - lo.x + hi.z - lo.z), 0, 1);
        float b = Clamp((hi.y - p.y) / (hi.y - lo.y), 0, 1);
        return std::array<float, 2>{u0 + (u1 - u0) * a, v0 + (v1 - v0) * b};
    };
}

void AddEllipsoid(Mesh& mesh, Vec3 c, Vec3 r, const UvFunction& uv) {
    std::vector<std::vector<Vec3>> rings;
    for (int k = 1; k < 6; ++k) {
        float t = kPi * static_cast<float>(k) / 6;
        rings.push_back(EllipseRingZ(c + Vec3{0, 0, -r.z * std::cos(t)}, r.x * std::sin(t), r.y * std::sin(t), 8));
    }
    AddLoft(mesh, rings, c + Vec3{0, 0, -r.z}, c + Vec3{0, 0, r.z}, uv);
}

void AddArm(Mesh& mesh, Vec3 hand, Vec3 elbow, float r0, float r1, const UvFunction& uv) {
    std::vector<std::vector<Vec3>> rings;
    for (int k = 0; k < 4; ++k) {
        float t = static_cast<float>(k) / 3;
        float r = r0 + (r1 - r0) * t;
        rings.push_back(EllipseRingZ(hand + (elbow - hand) * t, r, r * 0.9f, 8));
    }
    AddLoft(mesh, rings, std::nullopt, std::nullopt, uv);
}

// The gun's axis: from the back of the barrel, low on the right, it leans in to meet the eye's line
// (the spear's flight) kGunMeet units ahead, so the spear drawn in the gun points at what a shot
// hits: from 3 to 15 units ahead the axis stays within 0.27 of the eye's line.
constexpr Vec3 kGunBack{0.2f, -0.27f, 1.45f};
constexpr float kGunMeet = 9.0f;

Vec3 GunAxis(float z) {
    const float t = (z - kGunBack.z) / (kGunMeet - kGunBack.z);
    return Vec3{kGunBack.x * (1 - t), kGunBack.y * (1 - t), z};
}

// A straight part along the gun's axis from z0 to z1, its section offset by (dx, dy) from the axis.
void AddAlongGun(Mesh& mesh, float z0, float z1, float dx, float dy, float rx, float ry, int points, float phase,
                 const UvFunction& uv, std::optional<Vec3> endApex = std::nullopt) {
    std::vector<std::vector<Vec3>> rings;
    for (int k = 0; k <= 2; ++k) {
        const float z = z0 + (z1 - z0) * static_cast<float>(k) / 2;
        rings.push_back(EllipseRingZ(GunAxis(z) + Vec3{dx, dy, 0}, rx, ry, points, phase));
    }
    AddLoft(mesh, rings, std::nullopt, endApex, uv);
}

// A thin square rod from a to b.
void AddStrut(Mesh& mesh, Vec3 a, Vec3 b, float r, const UvFunction& uv) {
    const Vec3 d = Normalize(b - a);
    const Vec3 side = Normalize(Cross(d, std::fabs(d.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0}));
    const Vec3 up = Cross(side, d);
    auto ring = [&](Vec3 c) { return std::vector<Vec3>{c + side * r, c + up * r, c - side * r, c - up * r}; };
    AddLoft(mesh, {ring(a), ring(b)}, std::nullopt, std::nullopt, uv);
}

// The sight: a bright ring round the eye's line near the muzzle, on a post from the barrel. The
// spear flies along that line, so what shows inside the ring (the middle of the screen) is hit.
constexpr float kSightZ = 4.3f, kSightRadius = 0.06f;

}  // namespace

Mesh DiverMesh() {
    Mesh mesh;
    const Vec3 lo{-1.5f, -1.7f, -1.6f}, hi{1.5f, 1.4f, 4.4f};
    UvFunction neoprene = Region(0.03f, 0.03f, 0.47f, 0.97f, lo, hi);
    UvFunction wood = Region(0.53f, 0.05f, 0.88f, 0.45f, {0.1f, -0.4f, 1.3f}, {0.3f, -0.2f, 3.0f});
    UvFunction metal = Region(0.53f, 0.55f, 0.88f, 0.95f, {0.1f, -0.3f, 1.3f}, {0.3f, -0.1f, 4.4f});
    UvFunction paint = [](Vec3) { return std::array<float, 2>{0.97f, 0.5f}; };

    // Speargun: barrel (the spear rides on top of it), stock below it and grip.
    AddAlongGun(mesh, 1.45f, 4.25f, 0, -0.06f, 0.04f, 0.04f, 6, 0, metal);
    const float square = kPi / 4, half = 0.7071f;
    AddAlongGun(mesh, 1.4f, 2.8f, 0, -0.12f, 0.045f / half, 0.035f / half, 4, square, wood);
    const Vec3 grip = GunAxis(1.92f) + Vec3{0, -0.22f, 0};
    AddBox(mesh, grip + Vec3{-0.03f, -0.06f, -0.07f}, grip + Vec3{0.03f, 0.06f, 0.07f}, wood);
    // The sight's ring, and its post down to the barrel.
    constexpr int kRingParts = 16;
    for (int k = 0; k < kRingParts; ++k) {
        // Each part reaches a little into the next (closed parts that only touch would share points).
        const float a0 = 2 * kPi * (static_cast<float>(k) - 0.1f) / kRingParts,
                    a1 = 2 * kPi * (static_cast<float>(k) + 1.1f) / kRingParts;
        AddStrut(mesh, {kSightRadius * std::cos(a0), kSightRadius * std::sin(a0), kSightZ},
                 {kSightRadius * std::cos(a1), kSightRadius * std::sin(a1), kSightZ}, 0.007f, paint);
    }
    const float postAngle = -0.3f * kPi;
    AddStrut(mesh, {kSightRadius * std::cos(postAngle), kSightRadius * std::sin(postAngle), kSightZ},
             GunAxis(kSightZ) + Vec3{0, -0.03f, 0}, 0.008f, paint);
    // Hands on the grip and on the front of the stock, forearms reaching back out of view.
    AddEllipsoid(mesh, GunAxis(1.92f) + Vec3{0, -0.26f, 0}, {0.1f, 0.1f, 0.13f}, neoprene);
    AddEllipsoid(mesh, GunAxis(2.7f) + Vec3{-0.07f, -0.16f, 0}, {0.1f, 0.08f, 0.13f}, neoprene);
    AddArm(mesh, GunAxis(1.82f) + Vec3{0.02f, -0.3f, 0}, {0.6f, -1.1f, 0.3f}, 0.08f, 0.12f, neoprene);
    AddArm(mesh, GunAxis(2.6f) + Vec3{-0.1f, -0.2f, 0}, {-0.5f, -1.1f, 0.3f}, 0.08f, 0.12f, neoprene);
    // The body behind the eye: never in view (z < 0), it makes the collision box surround the
    // eye by more than the near plane's distance.
    AddBox(mesh, {lo.x, lo.y, lo.z}, {hi.x, hi.y, -0.5f}, neoprene);
    return mesh;
}

Mesh SpearMesh() {
    Mesh mesh;
    AddAlongGun(
        mesh, 1.55f, 4.55f, 0, 0, 0.04f, 0.04f, 3, kPi / 2,
        [](Vec3 p) {
            return std::array<float, 2>{(p.z - 1.5f) / 3.4f, 0.5f + (p.y - GunAxis(p.z).y) * 10};
        },
        GunAxis(4.9f));
    return mesh;
}

Mesh BoatMesh() {
    Mesh mesh;
    // Stations from the stern: z, half-width, keel y, deck y.
    static const float kStations[][4] = {{-15.0f, 3.5f, -1.2f, 1.6f}, {-12.0f, 3.8f, -1.6f, 1.6f},
                                         {-6.0f, 4.0f, -1.9f, 1.65f}, {0.0f, 4.0f, -2.0f, 1.7f},
                                         {6.0f, 3.7f, -1.9f, 1.8f},   {10.0f, 3.0f, -1.5f, 1.95f},
                                         {13.0f, 1.9f, -0.9f, 2.1f},  {14.6f, 0.7f, -0.2f, 2.2f}};
    auto uv = [](Vec3 p) { return std::array<float, 2>{(p.z + 15.5f) / 31.0f, (3.3f - p.y) / 5.4f}; };
    std::vector<std::vector<Vec3>> rings;
    for (const auto& s : kStations) {
        float z = s[0], w = s[1], k = s[2], t = s[3];
        rings.push_back({{0, k, z},
                         {0.55f * w, k + 0.12f * (t - k), z},
                         {0.92f * w, k + 0.45f * (t - k), z},
                         {w, t, z},
                         {0, t + 0.05f, z},
                         {-w, t, z},
                         {-0.92f * w, k + 0.45f * (t - k), z},
                         {-0.55f * w, k + 0.12f * (t - k), z}});
    }
    AddLoft(mesh, rings, std::nullopt, Vec3{0, 2.2f, 15.3f}, uv);
    AddBox(mesh, {-0.9f, 1.6f, 1.0f}, {0.9f, 3.2f, 3.0f}, uv);      // console
    AddBox(mesh, {-3.0f, 1.6f, -12.6f}, {3.0f, 2.2f, -11.4f}, uv);  // the seat's bench
    auto b = mesh.Bounds();
    mesh.Translate((b[0] + b[1]) * -0.5f);
    return mesh;
}

const std::array<SkyFace, 6>& SkyFaces() {
    static const std::array<SkyFace, 6> faces{{{"este", {1, 0, 0}, {0, 0, -1}, {0, -1, 0}},
                                               {"oeste", {-1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
                                               {"arriba", {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
                                               {"abajo", {0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
                                               {"norte", {0, 0, 1}, {1, 0, 0}, {0, -1, 0}},
                                               {"sur", {0, 0, -1}, {-1, 0, 0}, {0, -1, 0}}}};
    return faces;
}

Mesh SkyBoxMesh(const std::array<std::string, 6>& textures, float halfSize) {
    Mesh mesh;
    mesh.materials.clear();
    for (uint32_t f = 0; f < 6; ++f) {
        const SkyFace& face = SkyFaces()[f];
        mesh.materials.push_back(Material{{1, 1, 1}, textures[f]});
        uint32_t v[4];
        for (int k = 0; k < 4; ++k) {
            float u = (k == 1 || k == 2) ? 1.0f : 0.0f, w = (k >= 2) ? 1.0f : 0.0f;
            Vec3 p = (face.normal + face.right * (2 * u - 1) + face.down * (2 * w - 1)) * halfSize;
            v[k] = mesh.AddVertex(p, u, w);
        }
        size_t first = mesh.faces.size();
        mesh.AddFace(v[0], v[1], v[2], f);
        mesh.AddFace(v[0], v[2], v[3], f);
        // Seen from inside: the face normal points back at the centre.
        const auto& t = mesh.faces[first];
        Vec3 n = Cross(mesh.positions[t[1]] - mesh.positions[t[0]], mesh.positions[t[2]] - mesh.positions[t[0]]);
        if (Dot(n, face.normal) > 0) mesh.Flip(first, first + 2);
    }
    return mesh;
}

namespace {

// Flat screen-space meshes face the viewer, who looks along +z: their normals point to -z.
void FaceViewer(Mesh& mesh) {
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const auto& t = mesh.faces[f];
        Vec3 n = Cross(mesh.positions[t[1]] - mesh.positions[t[0]], mesh.positions[t[2]] - mesh.positions[t[0]]);
        if (n.z > 0) mesh.Flip(f, f + 1);
    }
}

}  // namespace

Mesh ChartMesh() {
    Mesh mesh;
    uint32_t a = mesh.AddVertex({0.2f, 0.54f, 0.02f}, 0, 0);
    uint32_t b = mesh.AddVertex({0.44f, 0.54f, 0.02f}, 1, 0);
    uint32_t c = mesh.AddVertex({0.44f, 0.25f, 0.02f}, 1, 1);
    uint32_t d = mesh.AddVertex({0.2f, 0.25f, 0.02f}, 0, 1);
    mesh.AddFace(a, b, c);
    mesh.AddFace(a, c, d);
    FaceViewer(mesh);
    return mesh;
}

Mesh BoatMarkerMesh() {
    Mesh mesh;
    uint32_t tip = mesh.AddVertex({0, 0.014f, 0.01f}, 0.5f, 0);
    uint32_t left = mesh.AddVertex({-0.008f, -0.01f, 0.01f}, 0, 1);
    uint32_t notch = mesh.AddVertex({0, -0.005f, 0.01f}, 0.5f, 0.8f);
    uint32_t right = mesh.AddVertex({0.008f, -0.01f, 0.01f}, 1, 1);
    mesh.AddFace(tip, notch, left);
    mesh.AddFace(tip, right, notch);
    FaceViewer(mesh);
    return mesh;
}

Mesh PointMarkerMesh() {
    Mesh mesh;
    const float r = 0.007f;
    uint32_t top = mesh.AddVertex({0, r, 0.01f}, 0.5f, 0);
    uint32_t right = mesh.AddVertex({r, 0, 0.01f}, 1, 0.5f);
    uint32_t bottom = mesh.AddVertex({0, -r, 0.01f}, 0.5f, 1);
    uint32_t left = mesh.AddVertex({-r, 0, 0.01f}, 0, 0.5f);
    mesh.AddFace(top, right, bottom);
    mesh.AddFace(top, bottom, left);
    FaceViewer(mesh);
    return mesh;
}

Mesh DepthSounderMesh() {
    Mesh mesh;
    const float x0 = -0.46f, x1 = -0.22f, base = 0.37f, start = 0.44f;
    mesh.AddVertex({x0, base, 0.02f}, 0, 1);
    mesh.AddVertex({x1, base, 0.02f}, 1, 1);
    for (int k = 0; k <= 50; ++k) {
        float t = static_cast<float>(k) / 50;
        mesh.AddVertex({x0 + (x1 - x0) * t, start, 0.02f}, t, 0);
    }
    for (uint32_t k = 2; k < 52; ++k) mesh.AddFace(0, k, k + 1);
    mesh.AddFace(0, 52, 1);
    FaceViewer(mesh);
    return mesh;
}

}  // namespace mediagen
