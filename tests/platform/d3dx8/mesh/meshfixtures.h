// X files for the mesh tests and benchmark: a small mesh in text and binary, files on disk.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../xfile/xfixtures.h"
#include "scratch_file.h"

namespace meshfixtures {

// A quad and a triangle under a frame that moves them by (10, 20, 30). The quad's corners use
// normal 0, the triangle's normal 1, so vertices 0 and 1 are used with two normals each.
inline const char kTextMesh[] = R"(xof 0303txt 0032
Header { 1; 0; 1; }
Material Shiny {
 0.8; 0.6; 0.4; 1.0;;
 12.5;
 0.1; 0.2; 0.3;;
 0.0; 0.0; 0.5;;
 TextureFilename { "roca.bmp"; }
}
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }
  Mesh Quad {
    5;
    0.0; 0.0; 0.0;, 1.0; 0.0; 0.0;, 1.0; 0.0; 1.0;, 0.0; 0.0; 1.0;, 0.5; 1.0; 0.5;;
    2;
    4; 0, 1, 2, 3;,
    3; 0, 4, 1;;
    MeshNormals { 2; 0.0; 1.0; 0.0;, 0.0; 0.0; -1.0;; 2; 4; 0, 0, 0, 0;, 3; 1, 1, 1;; }
    MeshTextureCoords { 5; 0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;, 0.0; 1.0;, 0.5; 0.5;; }
    MeshMaterialList {
      2; 2; 1, 0;;
      { Shiny }
      Material { 1.0; 1.0; 1.0; 0.5;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }
    }
  }
}
)";

inline std::vector<BYTE> BinaryMesh(bool doubles) {
    fixtures::XBinary x(doubles);
    x.Object("Header").Ints({1, 0, 1}).Close();
    x.Object("Material", "Shiny").Floats({0.8, 0.6, 0.4, 1.0, 12.5, 0.1, 0.2, 0.3, 0.0, 0.0, 0.5});
    x.Object("TextureFilename").String("roca.bmp").Close().Close();
    x.Object("Frame", "Root");
    x.Object("FrameTransformMatrix").Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}).Close();
    x.Object("Mesh", "Quad").Ints({5}).Floats({0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0.5, 1, 0.5});
    x.Ints({2, 4, 0, 1, 2, 3, 3, 0, 4, 1});
    x.Object("MeshNormals").Ints({2}).Floats({0, 1, 0, 0, 0, -1}).Ints({2, 4, 0, 0, 0, 0, 3, 1, 1, 1}).Close();
    x.Object("MeshTextureCoords").Ints({5}).Floats({0, 0, 1, 0, 1, 1, 0, 1, 0.5, 0.5}).Close();
    x.Object("MeshMaterialList").Ints({2, 2, 1, 0}).Reference("Shiny");
    x.Object("Material").Floats({1, 1, 1, 0.5, 0, 0, 0, 0, 0, 0, 0}).Close();
    x.Close().Close().Close();
    return x.Bytes();
}

// A grid of quads as polygons, `cells` x `cells`, with texture coordinates: 2 cells^2 triangles.
inline std::string TextGrid(int cells) {
    std::string s = "xof 0303txt 0032\nMesh Grid {\n";
    const int n = cells + 1;
    s += std::to_string(n * n) + ";\n";
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x)
            s += std::to_string(x) + ".0;0.0;" + std::to_string(z) + ".0;" + (z == n - 1 && x == n - 1 ? ";\n" : ",\n");
    s += std::to_string(cells * cells) + ";\n";
    for (int z = 0; z < cells; ++z)
        for (int x = 0; x < cells; ++x) {
            const int a = z * n + x;
            s += "4;" + std::to_string(a) + "," + std::to_string(a + n) + "," + std::to_string(a + n + 1) + "," +
                 std::to_string(a + 1) + (z == cells - 1 && x == cells - 1 ? ";;\n" : ";,\n");
        }
    s += "MeshTextureCoords {" + std::to_string(n * n) + ";\n";
    for (int i = 0; i < n * n; ++i) s += i == n * n - 1 ? "0.5;0.5;;\n" : "0.5;0.5;,\n";
    s += "}\n}\n";
    return s;
}

inline std::vector<BYTE> BinaryGrid(int cells) {
    fixtures::XBinary x;
    const int n = cells + 1;
    std::vector<double> positions;
    for (int z = 0; z < n; ++z)
        for (int xx = 0; xx < n; ++xx) positions.insert(positions.end(), {double(xx), 0.0, double(z)});
    std::vector<DWORD> faces{DWORD(cells * cells)};
    for (int z = 0; z < cells; ++z)
        for (int xx = 0; xx < cells; ++xx) {
            const DWORD a = z * n + xx;
            faces.insert(faces.end(), {4u, a, a + n, a + n + 1, a + 1});
        }
    x.Object("Mesh", "Grid").Ints({DWORD(n * n)}).Floats(positions).Ints(faces);
    x.Object("MeshTextureCoords").Ints({DWORD(n * n)}).Floats(std::vector<double>(2 * n * n, 0.5)).Close();
    x.Close();
    return x.Bytes();
}

inline std::string WriteFile(const std::string& name, const void* data, std::size_t size) {
    const auto path = testscratch::Path("mesh-" + name);
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path.string();
}
inline std::string WriteFile(const std::string& name, const std::string& text) {
    return WriteFile(name, text.data(), text.size());
}
inline std::string WriteFile(const std::string& name, const std::vector<BYTE>& bytes) {
    return WriteFile(name, bytes.data(), bytes.size());
}

}  // namespace meshfixtures
