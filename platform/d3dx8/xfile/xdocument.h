// The parsed form of an X file: templates, and data objects with their data already laid out
// by their templates. The COM objects of dxfile.h are views onto this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/wintypes.h"

namespace xfile {

enum class Primitive { Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, None };

struct ArrayDim {
    DWORD size = 0;
    std::string member;  // when set, the size is that earlier member's value
};

struct TemplateMember {
    Primitive type = Primitive::None;
    std::string typeName;  // the template, when type is None
    std::string name;
    std::vector<ArrayDim> dims;  // empty: a single value
};

struct Template {
    std::string name;
    GUID id{};
    std::vector<TemplateMember> members;
    // Filled by TemplateSet::Add from the members' own templates.
    std::uint64_t minValues = 0;  // the fewest values one element takes (arrays counted empty)
    std::string shape;            // the member types and array sizes, names left out
    std::size_t shapeId = 0;      // equal for templates of equal shape
};

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

// Templates by name. The first declaration of a name stands (built-ins first), and a member may
// only name a template declared before it, so no template can contain itself.
class TemplateSet {
public:
    const Template* Find(const std::string& name) const;
    // DXFILE_OK, or why the declaration is refused: a member naming no earlier template, or an
    // identifier already taken by a template of another shape (readers trust the identifiers of
    // the standard templates to tell them how the data is laid out).
    HRESULT Add(Template t);
    static const TemplateSet& BuiltIns();

private:
    std::map<std::string, Template> m_templates;
    std::map<GUID, std::string, GuidLess> m_byId;
    std::map<std::string, std::size_t> m_shapeIds;
};

struct DataObject;

// A child of a data object: an object of its own, or a reference `{ name }` / `{ <guid> }`.
struct Child {
    std::unique_ptr<DataObject> object;
    std::string refName;
    GUID refId{};
    bool refHasId = false;
};

struct MemberSpan {
    std::string name;
    std::size_t offset = 0;
    std::size_t size = 0;
};

struct DataObject {
    std::string typeName;
    GUID type{};
    std::string name;
    GUID id{};
    std::vector<BYTE> data;
    std::list<std::string> strings;  // what the string pointers in `data` point at (empty costs nothing)
    std::vector<MemberSpan> members;
    std::vector<Child> children;
};

struct Document {
    std::vector<std::unique_ptr<DataObject>> objects;
    // The first object of each name and identifier, depth first in file order; made once the
    // file is read, so resolving a reference costs no walk.
    void Index();
    const DataObject* FindByName(const std::string& name) const;
    const DataObject* FindById(const GUID& id) const;
    const DataObject* Resolve(const Child& reference) const;

private:
    std::map<std::string, const DataObject*> m_byName;
    std::map<GUID, const DataObject*, GuidLess> m_byId;
};

// The most data objects and references one file may hold: far beyond any mesh, and it keeps
// a file of empty objects from taking memory out of all proportion to its size.
constexpr std::size_t kMaxObjectsPerFile = std::size_t{1} << 17;

// Parses a whole X file (header included). Templates it declares are added to `templates`;
// its data objects go to `document` unless it is null (a template block).
HRESULT ParseXFile(const BYTE* data, std::size_t size, TemplateSet* templates, Document* document);

}  // namespace xfile
