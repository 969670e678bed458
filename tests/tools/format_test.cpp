// The generated files keep the formats and properties the game relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "levelfiles.h"
#include "mediacheck.h"

namespace mediacheck {
namespace {

const fs::path kMedia = ABISALIA_MEDIA_DIR;

XMesh Load(const std::string& name) {
    auto path = Resolve(kMedia, name);
    if (!path) throw std::runtime_error("missing " + name);
    std::string error;
    auto mesh = ReadXFile(*path, error);
    if (!mesh) throw std::runtime_error(name + ": " + error);
    return *mesh;
}

bool IsPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

TEST(MeshFiles, AreWellFormedAndWindClockwiseSeenFromOutside) {
    std::set<std::string> overlay;
    for (const Level& l : ReadAllLevels(kMedia))
        for (const auto& pair : l.overlay) overlay.insert(fs::path(*Resolve(kMedia, l.folder + pair[0])).string());
    int meshes = 0;
    for (const auto& e : fs::recursive_directory_iterator(kMedia)) {
        if (e.path().extension() != ".x") continue;
        ++meshes;
        SCOPED_TRACE(e.path().string());
        std::string error;
        auto mesh = ReadXFile(e.path(), error);
        ASSERT_TRUE(mesh) << error;
        const size_t n = mesh->positions.size();
        EXPECT_GT(n, 0u);
        EXPECT_LT(n, 65536u);
        EXPECT_EQ(mesh->uvs.size(), n) << "texture coordinates per vertex";
        EXPECT_GE(mesh->materialCount, 1);
        EXPECT_EQ(mesh->faceMaterials.size(), mesh->faces.size());
        EXPECT_EQ(mesh->textures.size(), static_cast<size_t>(mesh->materialCount));
        for (const auto& f : mesh->faces)
            for (int v : f) ASSERT_TRUE(v >= 0 && static_cast<size_t>(v) < n);
        if (overlay.count(e.path().string())) {
            // Screen-space meshes near z 0 face the viewer, who looks along +z.
            for (const auto& f : mesh->faces) {
                const Vec3 &a = mesh->positions[static_cast<size_t>(f[0])],
                           &b = mesh->positions[static_cast<size_t>(f[1])],
                           &c = mesh->positions[static_cast<size_t>(f[2])];
                EXPECT_LE((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0.0f);
                EXPECT_LT(std::fabs(a.z), 0.05f);
            }
        } else {
            EXPECT_EQ(CheckClosed(*mesh), "");
            if (e.path().filename() == "SkyBox2.x")
                EXPECT_LT(SignedVolume(*mesh), 0) << "a sky box faces inward";
            else
                EXPECT_GT(SignedVolume(*mesh), 0) << "faces point out";
        }
    }
    EXPECT_GT(meshes, 0);
}

TEST(MeshFiles, KeyPosesShareVerticesFacesAndTextureCoordinates) {
    for (const Level& l : ReadAllLevels(kMedia)) {
        std::vector<std::array<std::string, 3>> sets;
        for (const FishRecord& f : l.fish) sets.push_back({f.meshes[0], f.meshes[1], f.meshes[2]});
        for (const MovingRecord& m : l.moving) sets.push_back({m.meshes[0], m.meshes[1], m.meshes[2]});
        for (const auto& names : sets) {
            SCOPED_TRACE(l.folder + names[0]);
            XMesh p0 = Load(l.folder + names[0]), p1 = Load(l.folder + names[1]), p2 = Load(l.folder + names[2]);
            ASSERT_EQ(p0.positions.size(), p1.positions.size());
            ASSERT_EQ(p0.positions.size(), p2.positions.size());
            EXPECT_EQ(p0.faces, p1.faces);
            EXPECT_EQ(p0.faces, p2.faces);
            EXPECT_EQ(p0.uvs, p1.uvs);
            EXPECT_EQ(p0.uvs, p2.uvs);
            // Pose 1 is the middle shape: the other two sway to opposite sides of it.
            double d0 = 0, d2 = 0;
            for (size_t i = 0; i < p1.positions.size(); ++i) {
                d0 += p0.positions[i].x - p1.positions[i].x;
                d2 += p2.positions[i].x - p1.positions[i].x;
            }
            EXPECT_LT(d0 * d2, 0);
        }
    }
}

TEST(MeshFiles, FishFaceMinusZWithTheTailStraightInPoseOne) {
    std::set<std::string> done;
    for (const Level& l : ReadAllLevels(kMedia))
        for (const FishRecord& f : l.fish) {
            if (!done.insert(l.folder + f.meshes[0]).second) continue;
            SCOPED_TRACE(l.folder + f.meshes[0]);
            XMesh p0 = Load(l.folder + f.meshes[0]), p1 = Load(l.folder + f.meshes[1]);
            auto b = Bounds(p1);
            const float length = b[1].z - b[0].z;
            EXPECT_GE(length, 1.0f);
            EXPECT_LE(length, 3.0f);
            EXPECT_NEAR(b[0].x + b[1].x, 0, 1e-3) << "straight, symmetric tail";
            float head = 0, tail = 0;
            for (size_t i = 0; i < p1.positions.size(); ++i) {
                float dx = std::fabs(p0.positions[i].x - p1.positions[i].x);
                if (p1.positions[i].z < b[0].z + 0.3f * length) head = std::max(head, dx);
                if (p1.positions[i].z > b[1].z - 0.2f * length) tail = std::max(tail, dx);
            }
            EXPECT_LT(head, 1e-4f) << "the nose (at -z) stays put";
            EXPECT_GT(tail, 0.1f * length) << "the tail (at +z) bends";
        }
}

TEST(MeshFiles, OverlayLaysOutChartMarkersAndDepthSounder) {
    for (const Level& l : ReadAllLevels(kMedia)) {
        SCOPED_TRACE(l.folder);
        auto chart = Bounds(Load(l.folder + l.overlay[0][0]));
        EXPECT_NEAR(chart[0].x, 0.2f, 1e-4);
        EXPECT_NEAR(chart[1].x, 0.44f, 1e-4);
        EXPECT_NEAR(chart[0].y, 0.25f, 1e-4);
        EXPECT_NEAR(chart[1].y, 0.54f, 1e-4);
        for (int marker : {1, 2}) {
            auto m = Bounds(Load(l.folder + l.overlay[marker][0]));
            EXPECT_LT(std::fabs(m[0].x + m[1].x), 0.01f);
            EXPECT_LT(std::fabs(m[0].y + m[1].y), 0.01f);
            EXPECT_LE(m[1].z, chart[0].z) << "markers in front of the chart";
        }
        XMesh sounder = Load(l.folder + l.overlay[3][0]);
        ASSERT_EQ(sounder.positions.size(), 53u);
        EXPECT_FLOAT_EQ(sounder.positions[0].y, sounder.positions[1].y);
        EXPECT_LT(sounder.positions[0].x, sounder.positions[1].x);
        for (size_t i = 3; i < 53; ++i) EXPECT_GT(sounder.positions[i].x, sounder.positions[i - 1].x);
        for (const Vec3& p : l.mapPoints) {
            EXPECT_TRUE(p.x >= 0 && p.x <= 3000 && p.z >= 0 && p.z <= 2000) << "map point off the chart";
        }
    }
}

TEST(MeshFiles, DiverAndSpearSitInTheEyeFrame) {
    const Level l = ReadLevel(kMedia, "nivel1\\");
    XMesh diver = Load(l.diver.mesh), spear = Load(l.spear.mesh);
    auto box = Bounds(diver);
    for (float lo : {box[0].x, box[0].y, box[0].z}) EXPECT_LT(lo, -1.0f) << "collision box margin around the eye";
    for (float hi : {box[1].x, box[1].y, box[1].z}) EXPECT_GT(hi, 1.0f) << "collision box margin around the eye";
    const float slope = std::tan(22.5f * 3.14159265f / 180);
    int visible = 0;
    for (const Vec3& p : diver.positions) {
        if (p.z <= 0) continue;  // the unseen body behind the eye
        if (std::fabs(p.y) >= p.z * slope || std::fabs(p.x) >= p.z * slope * 4 / 3)
            continue;  // arms reaching out of view
        EXPECT_GT(p.z, 1.0f) << "what is in view lies beyond the near plane";
        ++visible;
    }
    EXPECT_GT(visible, 20) << "hands and gun in view";
    auto s = Bounds(spear);
    EXPECT_GT(s[0].z, 1.0f);
    EXPECT_GT(s[1].z - s[0].z, 2.0f) << "along +z";
    EXPECT_LT(s[1].x - s[0].x, 0.2f);
    EXPECT_LT(s[1].y - s[0].y, 0.2f);
    EXPECT_LE(spear.faces.size(), 20u);
    // The spear flies along the eye's line (the shot's ray starts at the eye): the drawn spear's axis,
    // from the middle of its back end through its tip, stays within 0.3 of that line
    // where fish are shot, 3 to 15 units ahead, so what it points at is what it hits.
    Vec3 back{0, 0, 0}, tip = spear.positions[0];
    int nBack = 0;
    for (const Vec3& p : spear.positions) {
        if (p.z > tip.z) tip = p;
        if (p.z < s[0].z + 0.01f) back = {back.x + p.x, back.y + p.y, back.z + p.z}, ++nBack;
    }
    ASSERT_GT(nBack, 0);
    back = {back.x / static_cast<float>(nBack), back.y / static_cast<float>(nBack), back.z / static_cast<float>(nBack)};
    for (float z = 3; z <= 15; z += 0.5f) {
        const float t = (z - back.z) / (tip.z - back.z);
        const float x = back.x + (tip.x - back.x) * t, y = back.y + (tip.y - back.y) * t;
        EXPECT_LT(std::hypot(x, y), 0.3f) << "the spear's axis " << z << " units ahead";
    }
}

TEST(MeshFiles, BoatIsThirtyLongWithTheBowAlongPlusZ) {
    XMesh boat = Load("barca.x");
    auto b = Bounds(boat);
    EXPECT_NEAR(b[1].z - b[0].z, 30.0f, 2.0f);
    for (int axis = 0; axis < 3; ++axis) {
        float lo = axis == 0   ? b[0].x
                   : axis == 1 ? b[0].y
                               : b[0].z,
              hi = axis == 0   ? b[1].x
                   : axis == 1 ? b[1].y
                               : b[1].z;
        EXPECT_NEAR(lo + hi, 0, 1e-3) << "centred, so the game's centring moves nothing";
    }
    float bowWidth = 0, sternWidth = 0;
    for (const Vec3& p : boat.positions) {
        if (p.z > b[1].z - 3) bowWidth = std::max(bowWidth, std::fabs(p.x));
        if (p.z < b[0].z + 3) sternWidth = std::max(sternWidth, std::fabs(p.x));
    }
    EXPECT_LT(bowWidth, sternWidth) << "the pointed bow is at +z";
}

TEST(ImageFiles, AreOpaqueTwentyFourBitWithPowerOfTwoSides) {
    int images = 0;
    for (const auto& e : fs::recursive_directory_iterator(kMedia)) {
        const auto ext = e.path().extension();
        if (ext != ".bmp" && ext != ".tga") continue;
        ++images;
        auto info = ReadImageInfo(e.path());
        ASSERT_TRUE(info) << e.path();
        EXPECT_EQ(info->bits, 24) << e.path() << ": no alpha to fail the alpha test";
        EXPECT_TRUE(IsPowerOfTwo(info->width) && IsPowerOfTwo(std::abs(info->height))) << e.path();
    }
    EXPECT_GT(images, 40);
}

// Pixels of the top-left-origin 24-bit TGA the caustic frames use, as brightness 0..255.
std::vector<int> Brightness(const fs::path& path, int& size) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size = d[12] | d[13] << 8;
    std::vector<int> out;
    for (size_t i = 18; i + 2 < d.size(); i += 3) out.push_back((d[i] + d[i + 1] + d[i + 2]) / 3);
    return out;
}

TEST(ImageFiles, CausticFramesTileLoopAndAreMostlyDark) {
    std::vector<std::vector<int>> frames;
    int size = 0;
    for (int k = 0; k < 32; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "Caust%02d.tga", k);
        auto path = Resolve(kMedia, name);
        ASSERT_TRUE(path) << name;
        frames.push_back(Brightness(*path, size));
    }
    auto at = [&](const std::vector<int>& f, int x, int y) { return f[static_cast<size_t>(y * size + x)]; };
    auto frameStep = [&](const std::vector<int>& a, const std::vector<int>& b) {
        double s = 0;
        for (size_t i = 0; i < a.size(); ++i) s += std::abs(a[i] - b[i]);
        return s / static_cast<double>(a.size());
    };
    double inner = 0, seam = 0, mean = 0;
    for (const auto& f : frames) {
        for (int i = 0; i < size; ++i) {
            inner += std::abs(at(f, 0, i) - at(f, 1, i)) + std::abs(at(f, i, 0) - at(f, i, 1));
            seam += std::abs(at(f, 0, i) - at(f, size - 1, i)) + std::abs(at(f, i, 0) - at(f, i, size - 1));
        }
        for (int v : f) mean += v;
    }
    EXPECT_LT(seam, 2 * inner + 1) << "the edges meet like neighbouring texels";
    EXPECT_LT(mean / (32.0 * size * size), 48) << "added over the scene, so mostly dark";
    int brightest = 0;
    for (const auto& f : frames) brightest = std::max(brightest, *std::max_element(f.begin(), f.end()));
    EXPECT_LT(brightest, 128) << "soft light: added over lit sand it stays short of white";
    double steps = 0;
    for (int k = 0; k + 1 < 32; ++k)
        steps += frameStep(frames[static_cast<size_t>(k)], frames[static_cast<size_t>(k + 1)]);
    EXPECT_LT(frameStep(frames[31], frames[0]), 2 * steps / 31 + 0.5) << "frame 31 runs on into frame 0";
}

TEST(HeightMap, IsTwoMillionBytesWithNoWaterPathOffTheChart) {
    auto path = Resolve(kMedia, "height.raw");
    ASSERT_TRUE(path);
    ASSERT_EQ(fs::file_size(*path), 2000000u);
    std::ifstream in(*path, std::ios::binary);
    std::vector<uint8_t> map((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto byte = [&](int i, int j) { return map[static_cast<size_t>(j) * 2000 + static_cast<size_t>(i)]; };
    for (const Level& l : ReadAllLevels(kMedia)) {
        SCOPED_TRACE(l.folder);
        // The water reachable from the start (bytes under 225, below the surface at 45) stays on
        // the chart, far from the map's edges.
        std::vector<uint8_t> seen(map.size(), 0);
        std::vector<std::pair<int, int>> todo{{static_cast<int>(l.diver.x / 20), static_cast<int>(l.diver.z / 20)}};
        ASSERT_LT(byte(todo[0].first, todo[0].second), 225);
        bool off = false;
        while (!todo.empty() && !off) {
            auto [i, j] = todo.back();
            todo.pop_back();
            if (i * 20 < 0 || i * 20 > 3000 || j * 20 < 0 || j * 20 > 2000) {
                off = true;
                break;
            }
            size_t k = static_cast<size_t>(j) * 2000 + static_cast<size_t>(i);
            if (seen[k] || byte(i, j) >= 225) continue;
            seen[k] = 1;
            todo.insert(todo.end(), {{i + 1, j}, {i - 1, j}, {i, j + 1}, {i, j - 1}});
        }
        EXPECT_FALSE(off) << "open water leads off the chart";
        // Everything placed lies over that water.
        auto wet = [&](float x, float z) {
            return seen[static_cast<size_t>(z / 20) * 2000 + static_cast<size_t>(x / 20)] != 0;
        };
        for (const Placed& r : l.rocks) EXPECT_TRUE(wet(r.x, r.z)) << r.mesh;
        for (const WaypointRow& w : l.waypoints) EXPECT_TRUE(wet(w.pos.x, w.pos.z));
        for (const MovingRecord& m : l.moving) EXPECT_TRUE(wet(m.x, m.z));
    }
}

TEST(VideoFiles, AreShortClipsAtThreeTwentyByTwoForty) {
    for (const Level& l : ReadAllLevels(kMedia))
        for (const std::string& name : {l.intro, l.drown, l.caught}) {
            SCOPED_TRACE(name);
            auto path = Resolve(kMedia, name);
            ASSERT_TRUE(path);
            AVFormatContext* format = nullptr;
            ASSERT_EQ(avformat_open_input(&format, path->c_str(), nullptr, nullptr), 0);
            ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
            int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
            ASSERT_GE(stream, 0);
            const AVCodecParameters* par = format->streams[stream]->codecpar;
            const AVCodec* codec = avcodec_find_decoder(par->codec_id);
            ASSERT_TRUE(codec);
            AVCodecContext* ctx = avcodec_alloc_context3(codec);
            avcodec_parameters_to_context(ctx, par);
            ASSERT_EQ(avcodec_open2(ctx, codec, nullptr), 0);
            AVPacket* packet = av_packet_alloc();
            AVFrame* frame = av_frame_alloc();
            int frames = 0;
            auto receive = [&] {
                while (avcodec_receive_frame(ctx, frame) == 0) {
                    EXPECT_EQ(frame->width, 320);
                    EXPECT_EQ(frame->height, 240);
                    ++frames;
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream) avcodec_send_packet(ctx, packet);
                av_packet_unref(packet);
                receive();
            }
            avcodec_send_packet(ctx, nullptr);
            receive();
            double seconds = frames * av_q2d(av_inv_q(format->streams[stream]->avg_frame_rate));
            EXPECT_GE(seconds, 1.5);
            EXPECT_LE(seconds, 8.0);
            av_frame_free(&frame);
            av_packet_free(&packet);
            avcodec_free_context(&ctx);
            avformat_close_input(&format);
        }
}

}  // namespace
}  // namespace mediacheck
