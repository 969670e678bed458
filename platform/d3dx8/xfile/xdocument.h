// The parsed form of an X file: templates, and data objects with their data already laid out
// by their templates. The COM objects of dxfile.h are views onto this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "d3dx8/xfile/dxfile.h"
#include "win32/wintypes.h"

namespace xfile {

enum class Primitive { Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, None };

constexpr std::size_t kNoSlot = ~std::size_t{0};

struct Template;

struct ArrayDim {
    DWORD size = 0;
    std::string member;  // when set, the size is that earlier member's value
    // Filled by TemplateSet::Add: the slot holding that member's value as the layout goes, or
    // kNoSlot when no earlier single whole-number member has the name.
    std::size_t slot = kNoSlot;
};

struct TemplateMember {
    Primitive type = Primitive::None;
    std::string typeName;  // the template, when type is None
    std::string name;
    std::vector<ArrayDim> dims;  // empty: a single value
    // Filled by TemplateSet::Add.
    std::shared_ptr<const Template> sub;  // the template named by typeName
    std::size_t slot = kNoSlot;           // where a later array size finds this member's value
};

struct Template {
    std::string name;
    GUID id{};
    std::vector<TemplateMember> members;
    // Filled by TemplateSet::Add from the members' own templates.
    std::uint64_t minValues = 0;  // the fewest values one element takes (arrays counted empty)
    std::string shape;            // the member types and array sizes, names left out
    std::size_t shapeId = 0;      // equal for templates of equal shape
    std::size_t slots = 0;        // member values that array sizes read
    std::size_t widestValue = 0;  // the most bytes one value takes in the data
    std::shared_ptr<const std::vector<std::string>> memberNames;  // shared with the objects made by it
};

// The bytes one value of the type takes in an object's data.
std::size_t PrimitiveBytes(Primitive type);

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
    // Shared, never changed once added: copies of a set (one per file read) share them.
    std::unordered_map<std::string, std::shared_ptr<const Template>> m_templates;
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

// Where a top-level member of the template lies in the data; members that take no bytes have none.
struct MemberSpan {
    DWORD member = 0;  // index into the template's members
    DWORD offset = 0;
    DWORD size = 0;
};

struct DataObject {
    GUID type{};
    std::string name;
    GUID id{};
    std::vector<BYTE> data;
    std::unique_ptr<char[]> text;  // the strings the string pointers in `data` point at
    std::shared_ptr<const std::vector<std::string>> memberNames;
    std::vector<MemberSpan> members;  // in member order
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

// What a reader will look at, so that the data of the objects it passes over is not kept: those
// are still read and checked in full and keep their names, types and children, but GetData
// gives them no bytes. From what the reader makes of the object holding it (kFileReading at the
// top level), the object's type and whether no sibling before it had that type, a rule gives
// what the reader makes of an object: kUnread, or a reading of the caller's own (0 and up).
using Reading = int;
constexpr Reading kFileReading = 0;
constexpr Reading kUnread = -1;
using ReadingRule = Reading (*)(Reading parent, const GUID& type, bool firstOfType);

// Parses a whole X file (header included). Templates it declares are added to `templates`;
// its data objects go to `document` unless it is null (a template block). Without a rule every
// object's data is kept.
HRESULT ParseXFile(const BYTE* data, std::size_t size, TemplateSet* templates, Document* document,
                   ReadingRule rule = nullptr);

// CreateEnumObject over the built-in templates, keeping what `rule` says the caller reads.
HRESULT OpenXFile(LPVOID source, DXFILELOADOPTIONS options, ReadingRule rule, IDirectXFileEnumObject** enumObject);

}  // namespace xfile
