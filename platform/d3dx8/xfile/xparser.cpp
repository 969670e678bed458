// Reads an X file's templates and data objects. Object bodies are read into a flat list of
// values and children first; the object's template then lays the values out, so the lenient
// separators of the text encoding and the typed lists of the binary one end up alike.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "d3dx8/xfile/dxfile.h"
#include "d3dx8/xfile/xdocument.h"
#include "d3dx8/xfile/xlexer.h"

namespace xfile {
namespace {

constexpr int kMaxDepth = 128;

struct Value {
    enum Kind : BYTE { Integer, Real, String } kind;
    std::int64_t integer;
    double real;
    std::uint32_t string;  // index into the body's strings
};

bool PrimitiveOf(const std::string& name, Primitive* out) {
    static const struct {
        const char* name;
        Primitive type;
    } kTypes[] = {
        {"WORD", Primitive::Word},      {"DWORD", Primitive::Dword},  {"FLOAT", Primitive::Float},
        {"DOUBLE", Primitive::Double},  {"CHAR", Primitive::Char},    {"UCHAR", Primitive::Uchar},
        {"BYTE", Primitive::Uchar},     {"SWORD", Primitive::Sword},  {"SDWORD", Primitive::Sdword},
        {"STRING", Primitive::String},  {"LPSTR", Primitive::String}, {"CSTRING", Primitive::String},
        {"UNICODE", Primitive::String},
    };
    for (const auto& t : kTypes)
        if (name == t.name) {
            *out = t.type;
            return true;
        }
    return false;
}

class Parser {
public:
    Parser(const BYTE* data, std::size_t size, bool binary, bool doubles, TemplateSet* templates)
        : m_lexer(data, size, binary, doubles), m_templates(templates),
          m_layoutBudget(4 * std::uint64_t{size} + (1u << 20)) {}

    HRESULT ParseAll(Document* document);

private:
    HRESULT ParseTemplate();
    HRESULT ParseObject(std::string typeName, int depth, std::unique_ptr<DataObject>* out);
    HRESULT ParseReference(Child* child);
    HRESULT Layout(const Template& t, DataObject* object, const std::vector<Value>& values,
                   const std::vector<std::string>& strings);
    HRESULT LayoutMembers(const Template& t, DataObject* object, const std::vector<Value>& values,
                          const std::vector<std::string>& strings, std::size_t* cursor, int depth, bool top);

    Lexer m_lexer;
    TemplateSet* m_templates;
    // Elements laid out in the whole file. Arrays of elements that take no values cost no data,
    // so nested ones could otherwise spin for ever on a few bytes.
    std::uint64_t m_layoutBudget;
    std::size_t m_objects = 0;
};

HRESULT Parser::ParseAll(Document* document) {
    while (true) {
        const Token& t = m_lexer.Peek();
        switch (t.kind) {
            case Tok::End: return DXFILE_OK;
            case Tok::Separator: m_lexer.Next(); break;
            case Tok::Name: {
                if (t.text == "template") {
                    m_lexer.Next();
                    if (const HRESULT hr = ParseTemplate(); FAILED(hr)) return hr;
                    break;
                }
                std::unique_ptr<DataObject> object;
                if (const HRESULT hr = ParseObject(m_lexer.Next().text, 0, &object); FAILED(hr)) return hr;
                if (object && document) document->objects.push_back(std::move(object));
                break;
            }
            default: return DXFILEERR_PARSEERROR;
        }
    }
}

HRESULT Parser::ParseTemplate() {
    Template t;
    Token name = m_lexer.Next();
    if (name.kind != Tok::Name || m_lexer.Next().kind != Tok::OBrace) return DXFILEERR_PARSEERROR;
    t.name = name.text;
    if (m_lexer.Peek().kind == Tok::Guid) t.id = m_lexer.Next().guid;
    while (true) {
        Token tok = m_lexer.Next();
        if (tok.kind == Tok::CBrace) break;
        if (tok.kind == Tok::Separator) continue;
        if (tok.kind == Tok::OBracket) {
            // Restrictions on the children ("[...]" or a list of template names): children are
            // read whatever their type, so the list only has to be well formed.
            for (Token r = m_lexer.Next(); r.kind != Tok::CBracket; r = m_lexer.Next())
                if (r.kind == Tok::End || r.kind == Tok::Error || r.kind == Tok::OBrace || r.kind == Tok::CBrace)
                    return DXFILEERR_PARSEERROR;
            continue;
        }
        if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
        TemplateMember member;
        const bool isArray = tok.text == "array";
        if (isArray) {
            tok = m_lexer.Next();
            if (tok.kind != Tok::Name) return DXFILEERR_PARSEERROR;
        }
        if (!PrimitiveOf(tok.text, &member.type)) member.typeName = tok.text;
        if (m_lexer.Peek().kind == Tok::Name) member.name = m_lexer.Next().text;
        if (isArray) {
            if (m_lexer.Peek().kind != Tok::OBracket) return DXFILEERR_PARSEERROR;
            while (m_lexer.Peek().kind == Tok::OBracket) {
                m_lexer.Next();
                Token dim = m_lexer.Next();
                ArrayDim d;
                if (dim.kind == Tok::Integer && dim.integer >= 0 && dim.integer <= 0xFFFFFFFF)
                    d.size = static_cast<DWORD>(dim.integer);
                else if (dim.kind == Tok::Name)
                    d.member = dim.text;
                else
                    return DXFILEERR_PARSEERROR;
                if (m_lexer.Next().kind != Tok::CBracket) return DXFILEERR_PARSEERROR;
                member.dims.push_back(d);
            }
        }
        if (member.type == Primitive::None && member.typeName == t.name) return DXFILEERR_PARSEERROR;
        t.members.push_back(std::move(member));
    }
    return m_templates->Add(std::move(t));
}

HRESULT Parser::ParseReference(Child* child) {
    // After '{': a name, a GUID or both, then '}'.
    bool any = false;
    if (++m_objects > kMaxObjectsPerFile) return DXFILEERR_BADFILE;
    while (true) {
        Token t = m_lexer.Next();
        if (t.kind == Tok::CBrace) break;
        if (t.kind == Tok::Name && child->refName.empty())
            child->refName = t.text;
        else if (t.kind == Tok::Guid && !child->refHasId)
            child->refId = t.guid, child->refHasId = true;
        else if (t.kind != Tok::Separator)
            return DXFILEERR_BADDATAREFERENCE;
        any = true;
    }
    return any ? DXFILE_OK : DXFILEERR_BADDATAREFERENCE;
}

HRESULT Parser::ParseObject(std::string typeName, int depth, std::unique_ptr<DataObject>* out) {
    if (depth > kMaxDepth) return DXFILEERR_PARSEERROR;
    if (++m_objects > kMaxObjectsPerFile) return DXFILEERR_BADFILE;
    auto object = std::make_unique<DataObject>();
    object->typeName = std::move(typeName);
    if (m_lexer.Peek().kind == Tok::Name) object->name = m_lexer.Next().text;
    if (m_lexer.Next().kind != Tok::OBrace) return DXFILEERR_PARSEERROR;
    if (m_lexer.Peek().kind == Tok::Guid) object->id = m_lexer.Next().guid;

    std::vector<Value> values;
    std::vector<std::string> strings;
    while (true) {
        Token t = m_lexer.Next();
        switch (t.kind) {
            case Tok::CBrace: break;
            case Tok::Separator: continue;
            case Tok::Integer: values.push_back({Value::Integer, t.integer, 0, 0}); continue;
            case Tok::Real: values.push_back({Value::Real, 0, t.real, 0}); continue;
            case Tok::String:
                values.push_back({Value::String, 0, 0, static_cast<std::uint32_t>(strings.size())});
                strings.push_back(std::move(t.text));
                continue;
            case Tok::IntegerList:
                for (std::uint32_t v : t.integers) values.push_back({Value::Integer, v, 0, 0});
                continue;
            case Tok::RealList:
                for (double v : t.reals) values.push_back({Value::Real, 0, v, 0});
                continue;
            case Tok::OBrace: {
                Child child;
                if (const HRESULT hr = ParseReference(&child); FAILED(hr)) return hr;
                object->children.push_back(std::move(child));
                continue;
            }
            case Tok::Name: {
                std::unique_ptr<DataObject> nested;
                if (const HRESULT hr = ParseObject(std::move(t.text), depth + 1, &nested); FAILED(hr)) return hr;
                if (nested) object->children.push_back(Child{std::move(nested), {}, {}, false});
                continue;
            }
            default: return DXFILEERR_PARSEERROR;  // the end of the file inside an object, or garbage
        }
        break;
    }

    const Template* t = m_templates->Find(object->typeName);
    if (!t) {
        out->reset();  // an object of no known template is skipped with all it holds
        return DXFILE_OK;
    }
    object->type = t->id;
    if (const HRESULT hr = Layout(*t, object.get(), values, strings); FAILED(hr)) return hr;
    *out = std::move(object);
    return DXFILE_OK;
}

template <typename T> void Append(std::vector<BYTE>* data, T value) {
    const std::size_t at = data->size();
    data->resize(at + sizeof(T));
    std::memcpy(data->data() + at, &value, sizeof(T));
}

HRESULT Parser::LayoutMembers(const Template& t, DataObject* object, const std::vector<Value>& values,
                              const std::vector<std::string>& strings, std::size_t* cursor, int depth, bool top) {
    if (depth > kMaxDepth) return DXFILEERR_BADTYPE;  // a template that contains itself
    // Integer members read so far, which later array sizes may name.
    std::vector<std::pair<const std::string*, std::int64_t>> sizes;
    for (const TemplateMember& m : t.members) {
        const Template* sub = nullptr;
        if (m.type == Primitive::None) {
            sub = m_templates->Find(m.typeName);
            if (!sub) return DXFILEERR_NOTEMPLATE;
        }
        std::uint64_t count = 1;
        for (const ArrayDim& dim : m.dims) {
            std::int64_t n = dim.size;
            if (!dim.member.empty()) {
                auto it = sizes.begin();
                while (it != sizes.end() && *it->first != dim.member) ++it;
                if (it == sizes.end() || it->second < 0) return DXFILEERR_BADARRAYSIZE;
                n = it->second;
            }
            count *= static_cast<std::uint64_t>(n);
            if (count > (std::uint64_t{1} << 32)) return DXFILEERR_BADARRAYSIZE;
        }
        // Each element needs values; an array claiming more than the object holds is refused
        // before anything is laid out for it.
        const std::uint64_t each = sub ? sub->minValues : 1;
        const std::size_t remaining = values.size() - *cursor;
        if (each > 0 ? count > remaining / each : count > (std::uint64_t{1} << 20)) return DXFILEERR_BADARRAYSIZE;
        if (count > m_layoutBudget) return DXFILEERR_BADARRAYSIZE;
        m_layoutBudget -= count;

        const std::size_t start = object->data.size();
        for (std::uint64_t i = 0; i < count; ++i) {
            if (sub) {
                if (const HRESULT hr = LayoutMembers(*sub, object, values, strings, cursor, depth + 1, false);
                    FAILED(hr))
                    return hr;
                continue;
            }
            if (*cursor >= values.size()) return DXFILEERR_NOMOREDATA;
            const Value& v = values[(*cursor)++];
            if ((m.type == Primitive::String) != (v.kind == Value::String)) return DXFILEERR_BADVALUE;
            const bool realMember = m.type == Primitive::Float || m.type == Primitive::Double;
            const double real = v.kind == Value::Real ? v.real : static_cast<double>(v.integer);
            std::int64_t integer = v.integer;
            if (!realMember && v.kind == Value::Real) {
                // A whole number written as a real; fractions, infinities, NaN and values past
                // 64 bits are refused before any conversion.
                if (!(v.real >= -9.2e18 && v.real <= 9.2e18) || std::trunc(v.real) != v.real) return DXFILEERR_BADVALUE;
                integer = static_cast<std::int64_t>(v.real);
            }
            if (m.type == Primitive::Float && std::isfinite(real) && std::fabs(real) > FLT_MAX)
                return DXFILEERR_BADVALUE;  // a finite value a float cannot hold
            switch (m.type) {
                case Primitive::Word: Append(&object->data, static_cast<WORD>(integer)); break;
                case Primitive::Dword: Append(&object->data, static_cast<DWORD>(integer)); break;
                case Primitive::Float: Append(&object->data, static_cast<float>(real)); break;
                case Primitive::Double: Append(&object->data, real); break;
                case Primitive::Char: Append(&object->data, static_cast<char>(integer)); break;
                case Primitive::Uchar: Append(&object->data, static_cast<BYTE>(integer)); break;
                case Primitive::Sword: Append(&object->data, static_cast<SHORT>(integer)); break;
                case Primitive::Sdword: Append(&object->data, static_cast<LONG>(integer)); break;
                case Primitive::String:
                    object->strings.push_back(strings[v.string]);
                    Append(&object->data, object->strings.back().c_str());
                    break;
                case Primitive::None: break;
            }
            if (m.dims.empty() && m.type != Primitive::String && m.type != Primitive::Float &&
                m.type != Primitive::Double)
                sizes.emplace_back(&m.name, integer);
        }
        if (top) object->members.push_back({m.name, start, object->data.size() - start});
    }
    return DXFILE_OK;
}

HRESULT Parser::Layout(const Template& t, DataObject* object, const std::vector<Value>& values,
                       const std::vector<std::string>& strings) {
    std::size_t cursor = 0;
    if (const HRESULT hr = LayoutMembers(t, object, values, strings, &cursor, 0, true); FAILED(hr)) return hr;
    return cursor == values.size() ? DXFILE_OK : DXFILEERR_PARSEERROR;  // values beyond the template
}

}  // namespace

HRESULT ParseXFile(const BYTE* data, std::size_t size, TemplateSet* templates, Document* document) {
    if (!data || size < 16 || std::memcmp(data, "xof ", 4) != 0) return DXFILEERR_BADFILETYPE;
    if (std::memcmp(data + 4, "0302", 4) != 0 && std::memcmp(data + 4, "0303", 4) != 0) return DXFILEERR_BADFILEVERSION;
    const bool text = std::memcmp(data + 8, "txt ", 4) == 0, binary = std::memcmp(data + 8, "bin ", 4) == 0;
    if (!text && !binary) {
        const bool compressed = std::memcmp(data + 8, "tzip", 4) == 0 || std::memcmp(data + 8, "bzip", 4) == 0;
        return compressed ? DXFILEERR_BADFILECOMPRESSIONTYPE : DXFILEERR_BADFILETYPE;
    }
    const bool doubles = std::memcmp(data + 12, "0064", 4) == 0;
    if (!doubles && std::memcmp(data + 12, "0032", 4) != 0) return DXFILEERR_BADFILEFLOATSIZE;
    Parser parser(data + 16, size - 16, binary, doubles, templates);
    const HRESULT hr = parser.ParseAll(document);
    if (SUCCEEDED(hr) && document) document->Index();
    return hr;
}

}  // namespace xfile
