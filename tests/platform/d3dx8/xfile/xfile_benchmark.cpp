#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "d3dx8/xfile/xmeshdata.h"
#include "xfixtures.h"

namespace {

// A 101 x 101 vertex grid: 100 x 100 quads, 20,000 triangles, with normals, coordinates and
// one material, as the game's meshes have.
constexpr unsigned kSide = 101;

std::vector<BYTE> TextGrid() {
    std::string s = "xof 0303txt 0032\nMesh Grid {\n" + std::to_string(kSide * kSide) + ";\n";
    char line[96];
    for (unsigned z = 0; z < kSide; ++z)
        for (unsigned x = 0; x < kSide; ++x) {
            std::snprintf(line, sizeof line, "%.6f;%.6f;%.6f;%c\n", x * 0.5, (x * z % 7) * 0.1, z * 0.5,
                          z == kSide - 1 && x == kSide - 1 ? ';' : ',');
            s += line;
        }
    const unsigned faces = (kSide - 1) * (kSide - 1) * 2;
    s += std::to_string(faces) + ";\n";
    for (unsigned z = 0; z + 1 < kSide; ++z)
        for (unsigned x = 0; x + 1 < kSide; ++x) {
            const unsigned a = z * kSide + x, b = a + 1, c = a + kSide, d = c + 1;
            const bool last = z + 2 == kSide && x + 2 == kSide;
            std::snprintf(line, sizeof line, "3;%u,%u,%u;,\n3;%u,%u,%u;%c\n", a, c, b, b, c, d, last ? ';' : ',');
            s += line;
        }
    s += "MeshTextureCoords {\n" + std::to_string(kSide * kSide) + ";\n";
    for (unsigned i = 0; i < kSide * kSide; ++i) {
        std::snprintf(line, sizeof line, "%.6f;%.6f;%c\n", (i % kSide) / 100.0, (i / kSide) / 100.0,
                      i + 1 == kSide * kSide ? ';' : ',');
        s += line;
    }
    s += "}\nMeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n";
    return std::vector<BYTE>(s.begin(), s.end());
}

std::vector<BYTE> BinaryGrid() {
    fixtures::XBinary x;
    x.Object("Mesh", "Grid").Ints({kSide * kSide});
    std::vector<double> positions, coords;
    for (unsigned z = 0; z < kSide; ++z)
        for (unsigned v = 0; v < kSide; ++v) {
            positions.insert(positions.end(), {v * 0.5, (v * z % 7) * 0.1, z * 0.5});
            coords.insert(coords.end(), {v / 100.0, z / 100.0});
        }
    x.Floats(positions);
    std::vector<DWORD> faces{(kSide - 1) * (kSide - 1) * 2};
    for (unsigned z = 0; z + 1 < kSide; ++z)
        for (unsigned v = 0; v + 1 < kSide; ++v) {
            const DWORD a = z * kSide + v, b = a + 1, c = a + kSide, d = c + 1;
            faces.insert(faces.end(), {3, a, c, b, 3, b, c, d});
        }
    x.Ints(faces);
    x.Object("MeshTextureCoords").Ints({kSide * kSide}).Floats(coords).Close();
    x.Object("MeshMaterialList").Ints({1, 1, 0});
    x.Object("Material").Floats({1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}).Close().Close();
    x.Close();
    return x.Bytes();
}

void Parse(benchmark::State& state, const std::vector<BYTE>& file) {
    std::vector<xfile::XMeshInFile> meshes;
    for (auto _ : state) {
        if (FAILED(xfile::ReadXMeshesFromMemory(file.data(), DWORD(file.size()), &meshes)) || meshes.empty() ||
            meshes[0].mesh.faces.size() != 20000)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(meshes.data());
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(file.size()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(file.size()) + " bytes");
}

void BM_ParseText20kTriangles(benchmark::State& state) {
    static const std::vector<BYTE> file = TextGrid();
    Parse(state, file);
}
BENCHMARK(BM_ParseText20kTriangles)->Unit(benchmark::kMillisecond);

void BM_ParseBinary20kTriangles(benchmark::State& state) {
    static const std::vector<BYTE> file = BinaryGrid();
    Parse(state, file);
}
BENCHMARK(BM_ParseBinary20kTriangles)->Unit(benchmark::kMillisecond);

// A template block of 100,000 members (2.5 MB), half of them arrays sized by the member before,
// registered; then a file of one object of it.
std::string WideTemplate(bool object) {
    constexpr int kPairs = 50000;
    std::string s = "xof 0303txt 0032\n";
    if (!object) s += "template Wide { <6C7E1A52-2F5B-4D1C-9A0E-3B8F2D6E4A71>\n";
    if (object) s += "Wide { ";
    char line[64];
    for (int i = 0; i < kPairs; ++i) {
        if (object)
            s += i + 1 < kPairs ? "1; 7;, " : "1; 7;; }\n";
        else
            s += (std::snprintf(line, sizeof line, "DWORD n%d; array WORD a%d[n%d];\n", i, i, i), line);
    }
    return object ? s : s + "}\n";
}

void BM_RegisterTemplateOf100kMembers(benchmark::State& state) {
    static const std::string templates = WideTemplate(false), object = WideTemplate(true);
    for (auto _ : state) {
        IDirectXFile* file = nullptr;
        DirectXFileCreate(&file);
        if (FAILED(file->RegisterTemplates(const_cast<char*>(templates.data()), DWORD(templates.size()))))
            state.SkipWithError("registration failed");
        DXFILELOADMEMORY memory{const_cast<char*>(object.data()), DWORD(object.size())};
        IDirectXFileEnumObject* enumObject = nullptr;
        if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject)))
            state.SkipWithError("the object does not parse");
        else
            enumObject->Release();
        file->Release();
    }
    state.SetLabel(std::to_string(templates.size()) + " bytes of template");
}
BENCHMARK(BM_RegisterTemplateOf100kMembers)->Unit(benchmark::kMillisecond);

}  // namespace
