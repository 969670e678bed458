// The parsed form of an X file: templates, and data objects with their data already laid out
// by their templates. The COM objects of dxfile.h are views onto this.
#pragma once

#include <cstddef>
#include <deque>
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
};

// Templates by name. Built-ins come first and are never replaced by a file's declaration of the
// same name.
class TemplateSet {
public:
    const Template* Find(const std::string& name) const;
    void Add(Template t, bool builtIn = false);
    static const TemplateSet& BuiltIns();

private:
    std::map<std::string, Template> m_templates;
    std::map<std::string, bool> m_builtIn;
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
    std::deque<std::string> strings;  // what the string pointers in `data` point at
    std::vector<MemberSpan> members;
    std::vector<Child> children;
};

struct Document {
    std::vector<std::unique_ptr<DataObject>> objects;
    // Searched through the whole file, depth first in file order.
    const DataObject* FindByName(const std::string& name) const;
    const DataObject* FindById(const GUID& id) const;
    const DataObject* Resolve(const Child& reference) const;
};

// Parses a whole X file (header included). Templates it declares are added to `templates`;
// its data objects go to `document` unless it is null (a template block).
HRESULT ParseXFile(const BYTE* data, std::size_t size, TemplateSet* templates, Document* document);

}  // namespace xfile
