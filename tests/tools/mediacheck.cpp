#include "mediacheck.h"

#include "tools/mediacheck/checkfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>

namespace mediacheck {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Tokens of a text X file: words, numbers, strings and braces; ',' and ';' only separate.
std::vector<std::string> XTokens(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ';') {
            ++i;
        } else if (c == '{' || c == '}') {
            out.emplace_back(1, c);
            ++i;
        } else if (c == '"') {
            size_t end = text.find('"', i + 1);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(i, end - i + 1));
            i = end + 1;
        } else {
            size_t start = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != ',' &&
                   text[i] != ';' && text[i] != '{' && text[i] != '}')
                ++i;
            out.push_back(text.substr(start, i - start));
        }
    }
    return out;
}

class XReader {
public:
    explicit XReader(std::vector<std::string> tokens) : m_t(std::move(tokens)) {}
    bool Done() const { return m_i >= m_t.size(); }
    const std::string& Peek() const {
        static const std::string empty;
        return Done() ? empty : m_t[m_i];
    }
    std::string Next() { return Done() ? std::string() : m_t[m_i++]; }
    bool Expect(const char* s) { return Next() == s; }
    double Number(bool& ok) {
        std::string s = Next();
        char* end = nullptr;
        double v = std::strtod(s.c_str(), &end);
        if (s.empty() || *end) ok = false;
        return v;
    }
    // Skips a block whose '{' was just read.
    void SkipBlock() {
        int depth = 1;
        while (!Done() && depth > 0) {
            std::string s = Next();
            if (s == "{") ++depth;
            if (s == "}") --depth;
        }
    }

private:
    std::vector<std::string> m_t;
    size_t m_i = 0;
};

bool ReadFaces(XReader& r, std::vector<std::array<int, 3>>& faces, bool& ok) {
    int n = static_cast<int>(r.Number(ok));
    for (int f = 0; f < n && ok; ++f) {
        if (r.Number(ok) != 3) return false;
        std::array<int, 3> t{};
        for (int& v : t) v = static_cast<int>(r.Number(ok));
        faces.push_back(t);
    }
    return ok;
}

}  // namespace

std::optional<fs::path> Resolve(const fs::path& root, const std::string& name) {
    std::string generic = name;
    std::replace(generic.begin(), generic.end(), '\\', '/');
    fs::path at = root;
    std::stringstream parts(generic);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty() || part == ".") continue;
        if (fs::exists(at / part)) {
            at /= part;
            continue;
        }
        std::optional<fs::path> found;
        if (fs::is_directory(at))
            for (const auto& e : fs::directory_iterator(at))
                if (Lower(e.path().filename().string()) == Lower(part)) found = e.path();
        if (!found) return std::nullopt;
        at = *found;
    }
    return fs::is_regular_file(at) ? std::optional<fs::path>(at) : std::nullopt;
}

std::optional<XMesh> ReadXFile(const fs::path& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string text = buf.str();
    if (text.rfind("xof 0302txt 0032", 0) != 0) {
        error = "not a text X file";
        return std::nullopt;
    }
    XReader r(XTokens(text.substr(16)));
    while (!r.Done() && r.Peek() != "Mesh") r.Next();
    r.Next();
    if (r.Peek() != "{") r.Next();  // optional name
    if (!r.Expect("{")) {
        error = "no Mesh block";
        return std::nullopt;
    }
    XMesh mesh;
    bool ok = true;
    int n = static_cast<int>(r.Number(ok));
    for (int i = 0; i < n && ok; ++i) {
        Vec3 p;
        p.x = static_cast<float>(r.Number(ok));
        p.y = static_cast<float>(r.Number(ok));
        p.z = static_cast<float>(r.Number(ok));
        mesh.positions.push_back(p);
    }
    if (!ok || !ReadFaces(r, mesh.faces, ok)) {
        error = "bad vertex or face list";
        return std::nullopt;
    }
    while (ok && !r.Done() && r.Peek() != "}") {
        std::string block = r.Next();
        if (!r.Expect("{")) {
            error = "bad block " + block;
            return std::nullopt;
        }
        if (block == "MeshTextureCoords") {
            int count = static_cast<int>(r.Number(ok));
            for (int i = 0; i < count && ok; ++i) {
                float u = static_cast<float>(r.Number(ok));
                float v = static_cast<float>(r.Number(ok));
                mesh.uvs.push_back({u, v});
            }
            if (!r.Expect("}")) ok = false;
        } else if (block == "MeshMaterialList") {
            mesh.materialCount = static_cast<int>(r.Number(ok));
            int count = static_cast<int>(r.Number(ok));
            for (int i = 0; i < count && ok; ++i) mesh.faceMaterials.push_back(static_cast<int>(r.Number(ok)));
            while (ok && r.Peek() == "Material") {
                r.Next();
                if (r.Peek() != "{") r.Next();
                r.Expect("{");
                for (int k = 0; k < 11; ++k) r.Number(ok);
                std::string texture;
                while (ok && r.Peek() != "}") {
                    std::string inner = r.Next();
                    r.Expect("{");
                    if (inner == "TextureFilename") {
                        std::string s = r.Next();
                        if (s.size() >= 2) texture = s.substr(1, s.size() - 2);
                        r.Expect("}");
                    } else {
                        r.SkipBlock();
                    }
                }
                r.Expect("}");
                mesh.textures.push_back(texture);
            }
            if (!r.Expect("}")) ok = false;
        } else {
            r.SkipBlock();
        }
    }
    if (!ok) {
        error = "bad number";
        return std::nullopt;
    }
    return mesh;
}

std::string CheckClosed(const XMesh& mesh) {
    // Weld by position so texture seams do not count as open edges.
    std::map<std::array<float, 3>, int> ids;
    std::vector<int> weld;
    for (const Vec3& p : mesh.positions)
        weld.push_back(ids.emplace(std::array<float, 3>{p.x, p.y, p.z}, static_cast<int>(ids.size())).first->second);
    std::map<std::pair<int, int>, int> edges;
    for (const auto& f : mesh.faces)
        for (int k = 0; k < 3; ++k)
            ++edges[{weld[static_cast<size_t>(f[k])], weld[static_cast<size_t>(f[(k + 1) % 3])]}];
    for (const auto& [e, count] : edges) {
        if (count != 1) return "an edge is run the same way by two faces";
        auto back = edges.find({e.second, e.first});
        if (back == edges.end() || back->second != 1) return "an open edge";
    }
    return "";
}

double SignedVolume(const XMesh& mesh) {
    double v = 0;
    for (const auto& f : mesh.faces) {
        const Vec3 &a = mesh.positions[static_cast<size_t>(f[0])], &b = mesh.positions[static_cast<size_t>(f[1])],
                   &c = mesh.positions[static_cast<size_t>(f[2])];
        double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        v += a.x * (uy * wz - uz * wy) + a.y * (uz * wx - ux * wz) + a.z * (ux * wy - uy * wx);
    }
    return v;
}

std::array<Vec3, 2> Bounds(const XMesh& mesh) {
    Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const Vec3& p : mesh.positions) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return {lo, hi};
}

std::vector<std::string> Tokens(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    std::string s;
    while (in >> s) out.push_back(s);
    return out;
}

std::optional<ImageInfo> ReadImageInfo(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u16 = [&](size_t o) { return static_cast<int>(d[o] | d[o + 1] << 8); };
    auto u32 = [&](size_t o) {
        return static_cast<int32_t>(d[o] | d[o + 1] << 8 | d[o + 2] << 16 | static_cast<uint32_t>(d[o + 3]) << 24);
    };
    const std::string ext = Lower(path.extension().string());
    if (ext == ".bmp" && d.size() >= 54 && d[0] == 'B' && d[1] == 'M') {
        ImageInfo info{u32(18), u32(22), u16(28)};
        size_t pitch = (static_cast<size_t>(info.width) * 3 + 3) & ~size_t{3};
        if (info.bits != 24 || u32(30) != 0 ||
            d.size() < static_cast<size_t>(u32(10)) + pitch * static_cast<size_t>(std::abs(info.height)))
            return std::nullopt;
        return info;
    }
    if (ext == ".tga" && d.size() >= 18 && d[2] == 2) {
        ImageInfo info{u16(12), u16(14), d[16]};
        if ((info.bits != 24 && info.bits != 32) ||
            d.size() < 18u + d[0] + static_cast<size_t>(info.width) * info.height * (info.bits / 8))
            return std::nullopt;
        return info;
    }
    return std::nullopt;
}

bool GameLoadersAvailable() { return true; }

std::string LoadWithGameLoaders(const fs::path& file) {
    const FileReport report = CheckMediaFile(file.string());
    return report.loaded ? "" : report.text;
}

}  // namespace mediacheck
