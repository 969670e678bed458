#include "xfile.h"

#include <stdexcept>

namespace mediagen {
namespace {

void AppendFaces(std::string& s, const Mesh& mesh) {
    s += Format("  %zu;\n", mesh.faces.size());
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        const auto& t = mesh.faces[f];
        s += Format("  3;%u,%u,%u;%s\n", t[0], t[1], t[2], f + 1 < mesh.faces.size() ? "," : ";");
    }
}

std::string Num(float v) {
    if (v == 0) v = 0;  // no "-0.000000"
    return Format("%.6f", static_cast<double>(v));
}

}  // namespace

std::string XFileText(const Mesh& mesh) {
    if (mesh.positions.empty() || mesh.positions.size() > 65535)
        throw std::runtime_error("mesh vertex count out of range");
    if (mesh.uvs.size() != mesh.positions.size() || mesh.faceMaterials.size() != mesh.faces.size())
        throw std::runtime_error("mesh arrays disagree");
    std::string s = "xof 0302txt 0032\n\n";
    s += "Mesh {\n";
    s += Format("  %zu;\n", mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3& p = mesh.positions[i];
        s += "  " + Num(p.x) + ";" + Num(p.y) + ";" + Num(p.z) + (i + 1 < mesh.positions.size() ? ";,\n" : ";;\n");
    }
    AppendFaces(s, mesh);

    // One normal per vertex, indexed exactly like the positions, so no loader splits vertices
    // differently from one key pose to the next.
    const std::vector<Vec3> normals = mesh.VertexNormals();
    s += "\n  MeshNormals {\n";
    s += Format("  %zu;\n", normals.size());
    for (size_t i = 0; i < normals.size(); ++i) {
        const Vec3& n = normals[i];
        s += "  " + Num(n.x) + ";" + Num(n.y) + ";" + Num(n.z) + (i + 1 < normals.size() ? ";,\n" : ";;\n");
    }
    AppendFaces(s, mesh);
    s += "  }\n";

    s += "\n  MeshTextureCoords {\n";
    s += Format("  %zu;\n", mesh.uvs.size());
    for (size_t i = 0; i < mesh.uvs.size(); ++i)
        s += "  " + Num(mesh.uvs[i][0]) + ";" + Num(mesh.uvs[i][1]) + (i + 1 < mesh.uvs.size() ? ";,\n" : ";;\n");
    s += "  }\n";

    s += "\n  MeshMaterialList {\n";
    s += Format("  %zu;\n  %zu;\n", mesh.materials.size(), mesh.faces.size());
    for (size_t f = 0; f < mesh.faceMaterials.size(); ++f) {
        if (mesh.faceMaterials[f] >= mesh.materials.size()) throw std::runtime_error("face material out of range");
        s += Format("  %u%s\n", mesh.faceMaterials[f], f + 1 < mesh.faceMaterials.size() ? "," : ";");
    }
    for (const Material& m : mesh.materials) {
        s += "\n    Material {\n";
        s += "      " + Num(m.diffuse.r) + ";" + Num(m.diffuse.g) + ";" + Num(m.diffuse.b) + ";1.000000;;\n";
        s += "      0.000000;\n";
        s += "      0.000000;0.000000;0.000000;;\n";
        s += "      0.000000;0.000000;0.000000;;\n";
        if (!m.texture.empty()) s += "      TextureFilename {\n        \"" + m.texture + "\";\n      }\n";
        s += "    }\n";
    }
    s += "  }\n}\n";
    return s;
}

void WriteXFile(const std::filesystem::path& path, const Mesh& mesh) { WriteTextFile(path, XFileText(mesh)); }

}  // namespace mediagen
