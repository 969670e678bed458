// The identifiers and built-in templates of the X-file component (this layer's own values),
// and the template and document lookups.
#include "d3dx8/xfile/dxfile.h"
#include "d3dx8/xfile/xdocument.h"

#include <algorithm>
#include <string>
#include <vector>

const GUID IID_IDirectXFile = {0xD8BF1E09, 0x0330, 0x45BF, {0xA2, 0x02, 0x7B, 0x68, 0x01, 0x50, 0x9A, 0x2D}};
const GUID IID_IDirectXFileEnumObject = {0x8A3CECCE, 0x5BD0, 0x424F, {0xAC, 0x96, 0x4C, 0xDF, 0x01, 0x3E, 0x6E, 0x46}};
const GUID IID_IDirectXFileObject = {0xCB6CC799, 0xCE66, 0x439B, {0xAD, 0x3B, 0xDB, 0xC5, 0x9C, 0x39, 0xAD, 0x0E}};
const GUID IID_IDirectXFileData = {0x5CCB5B74, 0xEDFD, 0x4092, {0x9C, 0x70, 0xAB, 0xC8, 0xD7, 0xA8, 0x32, 0xEF}};
const GUID IID_IDirectXFileDataReference = {
    0xA77CD673, 0x1450, 0x401C, {0x93, 0x88, 0x34, 0xB5, 0xC6, 0x8A, 0x88, 0x60}};
const GUID IID_IDirectXFileBinary = {0x16038BB8, 0xC243, 0x4D61, {0xB7, 0x5D, 0xE7, 0xE7, 0x5B, 0x9C, 0x3E, 0xF4}};
const GUID TID_DXFILEHeader = {0x7ED69A38, 0xA6A0, 0x43F1, {0x8A, 0xC9, 0x63, 0xAF, 0x10, 0x07, 0xAD, 0xF0}};
const GUID TID_D3DRMVector = {0xDD2DFBE4, 0xC17B, 0x44C3, {0xAB, 0xF5, 0x4A, 0x04, 0xAF, 0x64, 0xF2, 0x12}};
const GUID TID_D3DRMCoords2d = {0xA485D7E4, 0x727B, 0x4E47, {0x81, 0x1F, 0x5F, 0xCE, 0xC4, 0xE1, 0xDB, 0x0D}};
const GUID TID_D3DRMMatrix4x4 = {0x5318B24B, 0x16A1, 0x4137, {0x86, 0x64, 0xF8, 0xE6, 0xE1, 0x27, 0x68, 0xA6}};
const GUID TID_D3DRMColorRGBA = {0x358B3524, 0x84B6, 0x44B4, {0x81, 0xA8, 0xC4, 0xA5, 0xF9, 0x68, 0x6A, 0x77}};
const GUID TID_D3DRMColorRGB = {0x3004B104, 0x9AC9, 0x4051, {0x89, 0xEE, 0xFC, 0xA3, 0x6C, 0x9A, 0x05, 0xCE}};
const GUID TID_D3DRMTextureFilename = {0x94AF3CAD, 0x637C, 0x454A, {0x96, 0x13, 0x84, 0xD9, 0x5E, 0x28, 0xC2, 0x03}};
const GUID TID_D3DRMMaterial = {0x1A724501, 0x7149, 0x4CCF, {0x8E, 0x9D, 0x95, 0x0F, 0xEB, 0x4C, 0x36, 0x14}};
const GUID TID_D3DRMMeshFace = {0x627543A1, 0x37EA, 0x4FBB, {0xB7, 0xA7, 0xD1, 0x7C, 0x5A, 0xAC, 0x46, 0x4C}};
const GUID TID_D3DRMMeshTextureCoords = {0x5D8EC753, 0x712A, 0x4111, {0xA4, 0xFA, 0xD9, 0xC3, 0xDC, 0x68, 0x17, 0xCB}};
const GUID TID_D3DRMMeshNormals = {0x0CF034A4, 0x5176, 0x473F, {0xBE, 0x3A, 0x82, 0xB3, 0xA2, 0xEA, 0xB3, 0x41}};
const GUID TID_D3DRMMeshMaterialList = {0x979FE076, 0xEA59, 0x43D7, {0xB6, 0x63, 0x6A, 0x2E, 0xD5, 0x45, 0x9A, 0xB7}};
const GUID TID_D3DRMMesh = {0x92226733, 0xAB28, 0x4C4B, {0x9E, 0x58, 0xC4, 0x23, 0x61, 0xAE, 0xB4, 0xCA}};
const GUID TID_D3DRMFrameTransformMatrix = {
    0x8C437C40, 0xEFB8, 0x4B39, {0xA0, 0x17, 0xF2, 0x8A, 0x64, 0xBA, 0xE5, 0xAB}};
const GUID TID_D3DRMFrame = {0x6197A654, 0xB490, 0x4FB1, {0xBC, 0xCF, 0xCF, 0xD0, 0xA1, 0xD2, 0x9A, 0xAC}};

const char D3DRM_XTEMPLATES[] = R"xtemplates(xof 0303txt 0032

template Header {
 <7ED69A38-A6A0-43F1-8AC9-63AF1007ADF0>
 WORD major;
 WORD minor;
 DWORD flags;
}

template Vector {
 <DD2DFBE4-C17B-44C3-ABF5-4A04AF64F212>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}

template Coords2d {
 <A485D7E4-727B-4E47-811F-5FCEC4E1DB0D>
 FLOAT u;
 FLOAT v;
}

template Matrix4x4 {
 <5318B24B-16A1-4137-8664-F8E6E12768A6>
 array FLOAT matrix[16];
}

template ColorRGBA {
 <358B3524-84B6-44B4-81A8-C4A5F9686A77>
 FLOAT red;
 FLOAT green;
 FLOAT blue;
 FLOAT alpha;
}

template ColorRGB {
 <3004B104-9AC9-4051-89EE-FCA36C9A05CE>
 FLOAT red;
 FLOAT green;
 FLOAT blue;
}

template TextureFilename {
 <94AF3CAD-637C-454A-9613-84D95E28C203>
 STRING filename;
}

template Material {
 <1A724501-7149-4CCF-8E9D-950FEB4C3614>
 ColorRGBA faceColor;
 FLOAT power;
 ColorRGB specularColor;
 ColorRGB emissiveColor;
 [...]
}

template MeshFace {
 <627543A1-37EA-4FBB-B7A7-D17C5AAC464C>
 DWORD nFaceVertexIndices;
 array DWORD faceVertexIndices[nFaceVertexIndices];
}

template MeshTextureCoords {
 <5D8EC753-712A-4111-A4FA-D9C3DC6817CB>
 DWORD nTextureCoords;
 array Coords2d textureCoords[nTextureCoords];
}

template MeshMaterialList {
 <979FE076-EA59-43D7-B663-6A2ED5459AB7>
 DWORD nMaterials;
 DWORD nFaceIndexes;
 array DWORD faceIndexes[nFaceIndexes];
 [Material <1A724501-7149-4CCF-8E9D-950FEB4C3614>]
}

template MeshNormals {
 <0CF034A4-5176-473F-BE3A-82B3A2EAB341>
 DWORD nNormals;
 array Vector normals[nNormals];
 DWORD nFaceNormals;
 array MeshFace faceNormals[nFaceNormals];
}

template Mesh {
 <92226733-AB28-4C4B-9E58-C42361AEB4CA>
 DWORD nVertices;
 array Vector vertices[nVertices];
 DWORD nFaces;
 array MeshFace faces[nFaces];
 [...]
}

template FrameTransformMatrix {
 <8C437C40-EFB8-4B39-A017-F28A64BAE5AB>
 Matrix4x4 frameMatrix;
}

template Frame {
 <6197A654-B490-4FB1-BCCF-CFD0A1D29AAC>
 [...]
}
)xtemplates";
const DWORD D3DRM_XTEMPLATE_BYTES = sizeof(D3DRM_XTEMPLATES) - 1;

namespace xfile {

std::size_t PrimitiveBytes(Primitive type) {
    switch (type) {
        case Primitive::Char:
        case Primitive::Uchar: return 1;
        case Primitive::Word:
        case Primitive::Sword: return 2;
        case Primitive::Dword:
        case Primitive::Sdword:
        case Primitive::Float: return 4;
        case Primitive::Double: return 8;
        case Primitive::String: return sizeof(const char*);
        case Primitive::None: return 0;
    }
    return 0;
}

const Template* TemplateSet::Find(const std::string& name) const {
    const auto it = m_templates.find(name);
    return it == m_templates.end() ? nullptr : it->second.get();
}

HRESULT TemplateSet::Add(Template t) {
    if (m_templates.count(t.name)) return DXFILE_OK;  // a repeated declaration changes nothing
    constexpr std::uint64_t kSaturated = std::uint64_t{1} << 40;
    t.minValues = 0;
    t.shape.clear();
    t.slots = 0;
    t.widestValue = 0;
    // Members by name, so that each array size is found at once: the first member of the name
    // anywhere (for the shape), and the first earlier single whole number (for the layout).
    std::unordered_map<std::string_view, std::size_t> firstOfName, sizeMember;
    firstOfName.reserve(t.members.size());
    for (std::size_t i = 0; i < t.members.size(); ++i) firstOfName.emplace(t.members[i].name, i);
    auto names = std::make_shared<std::vector<std::string>>();
    names->reserve(t.members.size());
    for (std::size_t i = 0; i < t.members.size(); ++i) {
        TemplateMember& m = t.members[i];
        m.slot = kNoSlot;
        if (m.type == Primitive::None) {
            const auto known = m_templates.find(m.typeName);
            if (known == m_templates.end()) return DXFILEERR_NOTEMPLATE;
            m.sub = known->second;
            t.shape += '{' + std::to_string(m.sub->shapeId) + '}';
            t.widestValue = std::max(t.widestValue, m.sub->widestValue);
        } else {
            t.shape += static_cast<char>('a' + static_cast<int>(m.type));
            t.widestValue = std::max(t.widestValue, PrimitiveBytes(m.type));
        }
        for (ArrayDim& dim : m.dims) {
            dim.slot = kNoSlot;
            if (dim.member.empty()) {
                t.shape += '[' + std::to_string(dim.size) + ']';
                continue;
            }
            const auto first = firstOfName.find(dim.member);
            t.shape += "[@" + std::to_string(first == firstOfName.end() ? t.members.size() : first->second) + ']';
            const auto sized = sizeMember.find(dim.member);
            if (sized == sizeMember.end()) continue;
            TemplateMember& source = t.members[sized->second];
            if (source.slot == kNoSlot) source.slot = t.slots++;
            dim.slot = source.slot;
        }
        if (m.dims.empty()) t.minValues = std::min(kSaturated, t.minValues + (m.sub ? m.sub->minValues : 1));
        const bool wholeNumber = m.type != Primitive::None && m.type != Primitive::String &&
                                 m.type != Primitive::Float && m.type != Primitive::Double;
        if (m.dims.empty() && wholeNumber) sizeMember.emplace(m.name, i);
        names->push_back(m.name);
    }
    t.memberNames = std::move(names);
    // Equal shapes get one number, so a shape names its members' templates by size-free numbers.
    t.shapeId = m_shapeIds.emplace(t.shape, m_shapeIds.size()).first->second;
    if (t.id != GUID{}) {
        const auto known = m_byId.find(t.id);
        if (known != m_byId.end()) {
            if (Find(known->second)->shapeId != t.shapeId) return DXFILEERR_BADTYPE;
        } else {
            m_byId.emplace(t.id, t.name);
        }
    }
    std::string name = t.name;
    m_templates.emplace(std::move(name), std::make_shared<const Template>(std::move(t)));
    return DXFILE_OK;
}

const TemplateSet& TemplateSet::BuiltIns() {
    static const TemplateSet builtIns = [] {
        TemplateSet parsed;
        ParseXFile(reinterpret_cast<const BYTE*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES, &parsed, nullptr);
        return parsed;
    }();
    return builtIns;
}

void Document::Index() {
    m_byName.clear();
    m_byId.clear();
    // Depth first in file order, without recursion on the machine stack.
    std::vector<const DataObject*> stack;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        const DataObject* o = stack.back();
        stack.pop_back();
        if (!o->name.empty()) m_byName.emplace(o->name, o);
        m_byId.emplace(o->id, o);
        for (auto it = o->children.rbegin(); it != o->children.rend(); ++it)
            if (it->object) stack.push_back(it->object.get());
    }
}

const DataObject* Document::FindByName(const std::string& name) const {
    const auto it = m_byName.find(name);
    return it == m_byName.end() ? nullptr : it->second;
}

const DataObject* Document::FindById(const GUID& id) const {
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

const DataObject* Document::Resolve(const Child& reference) const {
    if (!reference.refName.empty())
        if (const DataObject* o = FindByName(reference.refName)) return o;
    return reference.refHasId ? FindById(reference.refId) : nullptr;
}

}  // namespace xfile
