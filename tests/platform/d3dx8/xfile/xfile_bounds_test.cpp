// X files built to cost out of all proportion to their size: a template of 100,000 members,
// and files of about 100 MB whose values are passed over or kept. Each is read in a forked child
// whose peak memory is measured and whose CPU time and address space are capped, so a parse
// that turns quadratic or keeps every value fails rather than running on.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "d3dx8/xfile/dxfile.h"
#include "d3dx8/xfile/xmeshdata.h"
#include "measured_child.h"
#include "xfixtures.h"

namespace {

#ifdef ABISALIA_SANITIZED
constexpr std::size_t kScale = 10;  // sanitized runs read a tenth of each file, unmeasured
#else
constexpr std::size_t kScale = 1;
#endif

struct Report {
    bool passed = false;  // what the child checked of the result held
    long peakMb = -1;     // beyond what it held before the read; -1 where not measured
    double seconds = 0;
    char what[120] = {};
};

// Makes the input, then reads it with `read` in a forked child: the peak resident memory the
// read adds, with CPU time capped at 60 s and the address space at 1.5 GB beyond what the child holds (sanitizers reserve
// more, so there the child is only timed).
Report RunInChild(const std::function<std::vector<BYTE>()>& make,
                  const std::function<bool(const std::vector<BYTE>&, std::string*)>& read) {
    struct Verdict {
        bool passed = false;
        char what[120] = {};
    };
    std::vector<BYTE> input;
    const measured::Child<Verdict> child = measured::RunInChild<Verdict>(
        [&] {
            Verdict verdict;
            std::string what;
            try {
                verdict.passed = read(input, &what);
            } catch (const std::exception& e) {
                what = std::string("exception: ") + e.what();
            }
            std::snprintf(verdict.what, sizeof verdict.what, "%s", what.c_str());
            return verdict;
        },
        {.addressBytesBeyondNow = rlim_t{1536} << 20, .cpuSeconds = 60}, [&] { input = make(); });
    Report report;
    if (!child.reported) {
        std::snprintf(report.what, sizeof report.what, "child ended without a report (status %#x)", child.status);
        return report;
    }
    report.passed = child.value.passed;
    report.peakMb = child.peakMb;
    report.seconds = child.cpuSeconds;
    std::memcpy(report.what, child.value.what, sizeof report.what);
    return report;
}

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

// `count` copies of `item`, the last one ended by `last`.
std::string Repeat(const std::string& item, std::size_t count, const std::string& last) {
    std::string s;
    s.reserve(item.size() * count + last.size());
    for (std::size_t i = 0; i + 1 < count; ++i) s += item;
    return s + last;
}

const char kTriangle[] = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;;";

// A template of 400,000 members (14 MB), half of them arrays sized by the member before: four
// times what the review timed at 75 s, so quadratic work far overruns the CPU cap.
constexpr int kWidePairs = 200000;

std::string WideTemplate() {
    std::string s = "xof 0303txt 0032\ntemplate Wide { <6C7E1A52-2F5B-4D1C-9A0E-3B8F2D6E4A71>\n";
    char line[96];
    for (int i = 0; i < kWidePairs; ++i) {
        std::snprintf(line, sizeof line, " DWORD count_of_%06d; array WORD values_of_%06d[count_of_%06d];\n", i, i, i);
        s += line;
    }
    return s + "}\n";
}

std::string WideObject() { return "xof 0303txt 0032\nWide Row { " + Repeat("1; 7;, ", kWidePairs, "1; 9;; }\n"); }

bool ReadWide(const std::vector<BYTE>& templates, std::string* what) {
    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file))) return false;
    bool ok = false;
    if (HRESULT hr = file->RegisterTemplates(const_cast<BYTE*>(templates.data()), DWORD(templates.size()));
        FAILED(hr)) {
        *what = "registration failed: " + std::to_string(hr);
    } else {
        std::string object = WideObject();
        DXFILELOADMEMORY memory{object.data(), DWORD(object.size())};
        IDirectXFileEnumObject* enumObject = nullptr;
        IDirectXFileData* row = nullptr;
        DWORD size = 0;
        void* data = nullptr;
        if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject))) {
            *what = "the object does not parse";
        } else {
            if (SUCCEEDED(enumObject->GetDataObjectByName("Row", &row))) {
                ok = SUCCEEDED(row->GetData(nullptr, &size, &data)) && size == kWidePairs * 6u &&
                     SUCCEEDED(row->GetData("values_of_199999", &size, &data)) && size == 2 &&
                     *static_cast<const WORD*>(data) == 9;
                row->Release();
            }
            enumObject->Release();
            if (!ok) *what = "the object's data is not laid out by its template";
        }
    }
    file->Release();
    return ok;
}

// About 100 MB of values the mesh reader never looks at, around one small mesh: an object of a
// template the file declares, one of a template nobody declares, and a second set of normals.
std::vector<BYTE> PassedOver() {
    const std::size_t n = (std::size_t{16} << 20) / kScale;
    std::string s =
        "xof 0303txt 0032\ntemplate Weights { <2B0F4C1E-7A3D-4E59-8C61-0D9E7F3A5B24> DWORD n; array "
        "FLOAT w[n]; }\n";
    s += "Weights { " + std::to_string(n) + "; " + Repeat("0,", n, "0;; }\n");
    s += "Skin { " + Repeat("1,", n, "1; }\n");
    s += std::string("Mesh { ") + kTriangle + "\n MeshNormals { 1; 0;1;0;; 1; 3; 0,0,0;; }\n";
    s += " MeshNormals { " + std::to_string(n) + "; " + Repeat("0;0;1;,", n, "0;0;1;;") + " 1; 3; 0,0,0;; }\n}\n";
    return Bytes(s);
}

bool ReadPassedOver(const std::vector<BYTE>& file, std::string* what) {
    std::vector<xfile::XMeshInFile> meshes;
    const HRESULT hr = xfile::ReadXMeshesFromMemory(file.data(), DWORD(file.size()), &meshes, what);
    return SUCCEEDED(hr) && meshes.size() == 1 && meshes[0].mesh.normals.size() == 1;
}

// A template whose identifier is padded by 16 MB of spaces on each side.
std::vector<BYTE> PaddedGuid() {
    const std::string pad((std::size_t{16} << 20) / kScale, ' ');
    return Bytes("xof 0303txt 0032\ntemplate Padded { <" + pad + "2B0F4C1E-7A3D-4E59-8C61-0D9E7F3A5B25" + pad +
                 "> DWORD n; }\nPadded { 1; }\n");
}

bool ReadNoMeshes(const std::vector<BYTE>& file, std::string* what) {
    std::vector<xfile::XMeshInFile> meshes;
    const HRESULT hr = xfile::ReadXMeshesFromMemory(file.data(), DWORD(file.size()), &meshes, what);
    return SUCCEEDED(hr) && meshes.empty();
}

// About 100 MB of faces the mesh reader keeps, in text and in binary.
constexpr DWORD kVertices = 65535;

std::size_t KeptFaces(std::size_t bytesEach) { return ((std::size_t{96} << 20) / bytesEach) / kScale; }

std::vector<BYTE> KeptText() {
    const std::size_t faces = KeptFaces(8);
    std::string s = "xof 0303txt 0032\nMesh { " + std::to_string(kVertices) + "; ";
    s += Repeat("1 2 3,", kVertices, "1 2 3;");
    s += std::to_string(faces) + "; " + Repeat("3 0 1 2,", faces, "3 0 1 2;; }\n");
    return Bytes(s);
}

std::vector<BYTE> KeptBinary() {
    const std::size_t faces = KeptFaces(16);
    fixtures::XBinary x;
    x.Object("Mesh").Ints({kVertices}).Floats(std::vector<double>(std::size_t{kVertices} * 3, 1.0));
    std::vector<DWORD> indices{DWORD(faces)};
    indices.reserve(faces * 4 + 1);
    for (std::size_t f = 0; f < faces; ++f) indices.insert(indices.end(), {3, 0, 1, 2});
    x.Ints(indices).Close();
    return x.Bytes();
}

bool ReadKept(std::size_t faces, const std::vector<BYTE>& file, std::string* what) {
    std::vector<xfile::XMeshInFile> meshes;
    const HRESULT hr = xfile::ReadXMeshesFromMemory(file.data(), DWORD(file.size()), &meshes, what);
    return SUCCEEDED(hr) && meshes.size() == 1 && meshes[0].mesh.positions.size() == kVertices &&
           meshes[0].mesh.faces.size() == faces && meshes[0].mesh.faces[faces - 1].size() == 3 &&
           meshes[0].mesh.faces[faces - 1][2] == 2;
}

TEST(XFileBounds, CraftedFilesCostInProportionToWhatIsRead) {
    const struct {
        const char* name;
        std::function<std::vector<BYTE>()> make;
        std::function<bool(const std::vector<BYTE>&, std::string*)> read;
        long underMb;  // the most the read may add
    } cases[] = {
        {"template of 400,000 members, registered, and an object of it", [] { return Bytes(WideTemplate()); }, ReadWide,
         256},
        {"100 MB of values the mesh reader passes over", PassedOver, ReadPassedOver, 48},
        {"identifier padded by 32 MB of spaces", PaddedGuid, ReadNoMeshes, 16},
        {"100 MB of faces kept, text", KeptText,
         [](const std::vector<BYTE>& f, std::string* w) { return ReadKept(KeptFaces(8), f, w); }, 448},
        {"100 MB of faces kept, binary", KeptBinary,
         [](const std::vector<BYTE>& f, std::string* w) { return ReadKept(KeptFaces(16), f, w); }, 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Report r = RunInChild(c.make, c.read);
        std::printf("%s: peak %ld MB, %.2f s\n", c.name, r.peakMb, r.seconds);
        EXPECT_TRUE(r.passed) << r.what;
        if (r.peakMb >= 0) {
            EXPECT_LT(r.peakMb, c.underMb);
        }
    }
}

}  // namespace
