// Reads an X file's templates and data objects. An object's body is read once for its syntax,
// its children and the number of its values, noting where the values lie; its template then
// lays the values out from a second read of those stretches. Nothing is kept of a value but its
// laid-out bytes, and nothing at all of the objects no reader will look at.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <set>

#include "d3dx8/xfile/dxfile.h"
#include "d3dx8/xfile/xdocument.h"
#include "d3dx8/xfile/xlexer.h"

namespace xfile {
namespace {

constexpr int kMaxDepth = 128;
// The reading of what lies inside an object of no known template: checked, never kept.
constexpr Reading kDropped = -2;

using TypeSet = std::set<GUID, GuidLess>;

struct Value {
    enum Kind : BYTE { Integer, Real, String } kind = Integer;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view text;
};

// Stretches of a body between its children, where its values lie.
struct Segment {
    std::size_t begin, end;
};

// An object's values, read again in order from its stretches of the file.
class ValueReader {
public:
    ValueReader(const Lexer& file, const std::vector<Segment>& segments, std::uint64_t count)
        : m_file(file), m_segments(segments), m_lexer(file.Range(0, 0)), m_remaining(count) {}

    std::uint64_t Remaining() const { return m_remaining; }

    bool Next(Value* v) {
        while (true) {
            if (m_listNext < m_list.count) {
                const std::size_t i = m_listNext++;
                if (m_list.kind == Tok::IntegerList) {
                    *v = {Value::Integer, m_list.IntegerAt(i), 0, {}};
                } else {
                    *v = {Value::Real, 0, m_list.RealAt(i), {}};
                }
                --m_remaining;
                return true;
            }
            const Token& t = m_lexer.Next();
            switch (t.kind) {
                case Tok::Separator: continue;
                case Tok::Integer: *v = {Value::Integer, t.integer, 0, {}}; break;
                case Tok::Real: *v = {Value::Real, 0, t.real, {}}; break;
                case Tok::String: *v = {Value::String, 0, 0, t.text}; break;
                case Tok::IntegerList:
                case Tok::RealList:
                    m_list = t;
                    m_listNext = 0;
                    continue;
                case Tok::End:
                    if (m_segment == m_segments.size()) return false;
                    m_lexer = m_file.Range(m_segments[m_segment].begin, m_segments[m_segment].end);
                    ++m_segment;
                    continue;
                default: return false;  // the first read let nothing else through
            }
            --m_remaining;
            return true;
        }
    }

private:
    const Lexer& m_file;
    const std::vector<Segment>& m_segments;
    std::size_t m_segment = 0;
    Lexer m_lexer;
    Token m_list;
    std::size_t m_listNext = 0;
    std::uint64_t m_remaining;
};

// Where a layout goes: only counted (a check of an object that is not kept), or written into
// an object's data and text allocated up front, so that nothing grows while it is written.
class Output {
public:
    Output() = default;
    Output(DataObject* object, std::uint64_t dataBytes, std::uint64_t textBytes, std::size_t members)
        : m_object(object), m_dataCapacity(dataBytes), m_textCapacity(textBytes) {
        object->data.resize(dataBytes);
        if (textBytes) object->text = std::make_unique<char[]>(textBytes);
        object->members.reserve(members);
    }
    std::uint64_t Size() const { return m_size; }
    // Set when the allocation up front proved short, which the sizes it came from rule out.
    bool Overflowed() const { return m_overflow; }
    template <typename T> void Put(T value) {
        if (m_object) {
            if (m_dataCapacity - m_size < sizeof(T)) {
                m_overflow = true;
                return;
            }
            std::memcpy(m_object->data.data() + m_size, &value, sizeof(T));
        }
        m_size += sizeof(T);
    }
    void PutString(std::string_view s) {
        const char* at = nullptr;
        if (m_object) {
            if (m_textCapacity - m_text < s.size() + 1) {
                m_overflow = true;
                return;
            }
            char* to = m_object->text.get() + m_text;
            if (!s.empty()) std::memcpy(to, s.data(), s.size());
            to[s.size()] = '\0';
            at = to;
        }
        m_text += s.size() + 1;
        Put(at);
    }
    void Member(std::size_t index, std::uint64_t start) {
        if (m_object && m_size > start)
            m_object->members.push_back(
                {static_cast<DWORD>(index), static_cast<DWORD>(start), static_cast<DWORD>(m_size - start)});
    }
    // Gives back what the allocation up front took beyond the data written.
    void Finish() {
        if (!m_object) return;
        m_object->data.resize(m_size);
        if (m_object->data.capacity() / 2 > m_size) m_object->data.shrink_to_fit();
    }

private:
    DataObject* m_object = nullptr;
    std::uint64_t m_dataCapacity = 0, m_textCapacity = 0;
    std::uint64_t m_size = 0, m_text = 0;
    bool m_overflow = false;
};

bool PrimitiveOf(std::string_view name, Primitive* out) {
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
    Parser(const BYTE* data, std::size_t size, bool binary, bool doubles, TemplateSet* templates, ReadingRule rule)
        : m_lexer(data, size, binary, doubles), m_templates(templates), m_rule(rule),
          m_layoutBudget(4 * std::uint64_t{size} + (1u << 20)) {
        m_lexer.SkipRealValues();  // this read only delimits values; the layout reads them again
    }

    HRESULT ParseAll(Document* document);

private:
    HRESULT ParseTemplate();
    HRESULT ParseObject(std::string_view typeName, int depth, Reading parent, TypeSet* siblings,
                        std::unique_ptr<DataObject>* out);
    HRESULT ParseReference(Child* child);
    HRESULT Layout(const Template& t, const std::vector<Segment>& segments, std::uint64_t values,
                   std::uint64_t textBytes, bool keep, DataObject* object);
    HRESULT LayoutMembers(const Template& t, ValueReader& values, Output& out, int depth, bool top);

    Lexer m_lexer;
    TemplateSet* m_templates;
    ReadingRule m_rule;
    // Members and elements laid out in the whole file. Arrays of elements that take no values
    // cost no data, so nested ones could otherwise spin for ever on a few bytes.
    std::uint64_t m_layoutBudget;
    std::size_t m_objects = 0;
    // The values of members that array sizes read, a run of slots for each template being laid out.
    std::vector<std::int64_t> m_slots;
};

HRESULT Parser::ParseAll(Document* document) {
    TypeSet topTypes;
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
                const Reading reading = document ? kFileReading : kDropped;
                if (const HRESULT hr = ParseObject(m_lexer.Next().text, 0, reading, &topTypes, &object); FAILED(hr))
                    return hr;
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
                member.dims.push_back(std::move(d));
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

HRESULT Parser::ParseObject(std::string_view typeName, int depth, Reading parent, TypeSet* siblings,
                            std::unique_ptr<DataObject>* out) {
    out->reset();
    if (depth > kMaxDepth) return DXFILEERR_PARSEERROR;
    if (++m_objects > kMaxObjectsPerFile) return DXFILEERR_BADFILE;
    // An object of no known template is skipped with all it holds.
    const Template* t = m_templates->Find(std::string(typeName));
    Reading reading = kDropped;
    if (t && parent != kDropped) {
        const bool first = siblings->insert(t->id).second;
        reading = m_rule ? m_rule(parent, t->id, first) : kFileReading;
    }
    auto object = t && parent != kDropped ? std::make_unique<DataObject>() : nullptr;
    std::string_view name;
    if (m_lexer.Peek().kind == Tok::Name) name = m_lexer.Next().text;
    if (m_lexer.Next().kind != Tok::OBrace) return DXFILEERR_PARSEERROR;
    GUID id{};
    if (m_lexer.Peek().kind == Tok::Guid) id = m_lexer.Next().guid;

    std::vector<Segment> segments;
    std::uint64_t values = 0, textBytes = 0;
    TypeSet childTypes;
    std::size_t segmentStart = m_lexer.Position();
    bool segmentHasValues = false;
    auto closeSegment = [&](std::size_t end) {
        if (segmentHasValues && t) segments.push_back({segmentStart, end});
        segmentHasValues = false;
    };
    while (true) {
        const std::size_t at = m_lexer.Position();
        const Token& tok = m_lexer.Next();
        switch (tok.kind) {
            case Tok::CBrace: closeSegment(at); break;
            case Tok::Separator: continue;
            case Tok::String: textBytes += tok.text.size() + 1; [[fallthrough]];
            case Tok::Integer:
            case Tok::Real:
                ++values;
                segmentHasValues = true;
                continue;
            case Tok::IntegerList:
            case Tok::RealList:
                values += tok.count;
                segmentHasValues = true;
                continue;
            case Tok::OBrace: {
                closeSegment(at);
                Child child;
                if (const HRESULT hr = ParseReference(&child); FAILED(hr)) return hr;
                if (object) object->children.push_back(std::move(child));
                segmentStart = m_lexer.Position();
                continue;
            }
            case Tok::Name: {
                closeSegment(at);
                std::unique_ptr<DataObject> nested;
                const Reading inside = object ? reading : kDropped;
                if (const HRESULT hr = ParseObject(tok.text, depth + 1, inside, &childTypes, &nested); FAILED(hr))
                    return hr;
                if (nested && object) object->children.push_back(Child{std::move(nested), {}, {}, false});
                segmentStart = m_lexer.Position();
                continue;
            }
            default: return DXFILEERR_PARSEERROR;  // the end of the file inside an object, or garbage
        }
        break;
    }
    if (!t) return DXFILE_OK;
    if (const HRESULT hr = Layout(*t, segments, values, textBytes, reading >= 0, object.get()); FAILED(hr)) return hr;
    if (object) {
        object->type = t->id;
        object->name = name;
        object->id = id;
        object->memberNames = t->memberNames;
        *out = std::move(object);
    }
    return DXFILE_OK;
}

HRESULT Parser::LayoutMembers(const Template& t, ValueReader& values, Output& out, int depth, bool top) {
    if (depth > kMaxDepth) return DXFILEERR_BADTYPE;  // a template that contains itself
    const std::size_t base = m_slots.size();
    m_slots.resize(base + t.slots);
    for (std::size_t index = 0; index < t.members.size(); ++index) {
        const TemplateMember& m = t.members[index];
        if (m_layoutBudget == 0) return DXFILEERR_BADARRAYSIZE;
        --m_layoutBudget;
        const Template* sub = m.sub.get();
        if (m.type == Primitive::None && !sub) return DXFILEERR_NOTEMPLATE;
        std::uint64_t count = 1;
        for (const ArrayDim& dim : m.dims) {
            std::int64_t n = dim.size;
            if (!dim.member.empty()) {
                if (dim.slot == kNoSlot || m_slots[base + dim.slot] < 0) return DXFILEERR_BADARRAYSIZE;
                n = m_slots[base + dim.slot];
            }
            count *= static_cast<std::uint64_t>(n);
            if (count > (std::uint64_t{1} << 32)) return DXFILEERR_BADARRAYSIZE;
        }
        // Each element needs values; an array claiming more than the object holds is refused
        // before anything is laid out for it.
        const std::uint64_t each = sub ? sub->minValues : 1;
        const std::uint64_t remaining = values.Remaining();
        if (each > 0 ? count > remaining / each : count > (std::uint64_t{1} << 20)) return DXFILEERR_BADARRAYSIZE;
        if (count > m_layoutBudget) return DXFILEERR_BADARRAYSIZE;
        m_layoutBudget -= count;

        const std::uint64_t start = out.Size();
        for (std::uint64_t i = 0; i < count; ++i) {
            if (sub) {
                if (const HRESULT hr = LayoutMembers(*sub, values, out, depth + 1, false); FAILED(hr)) return hr;
                continue;
            }
            Value v;
            if (!values.Next(&v)) return DXFILEERR_NOMOREDATA;
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
                case Primitive::Word: out.Put(static_cast<WORD>(integer)); break;
                case Primitive::Dword: out.Put(static_cast<DWORD>(integer)); break;
                case Primitive::Float: out.Put(static_cast<float>(real)); break;
                case Primitive::Double: out.Put(real); break;
                case Primitive::Char: out.Put(static_cast<char>(integer)); break;
                case Primitive::Uchar: out.Put(static_cast<BYTE>(integer)); break;
                case Primitive::Sword: out.Put(static_cast<SHORT>(integer)); break;
                case Primitive::Sdword: out.Put(static_cast<LONG>(integer)); break;
                case Primitive::String: out.PutString(v.text); break;
                case Primitive::None: break;
            }
            if (m.slot != kNoSlot) m_slots[base + m.slot] = integer;
        }
        if (top) out.Member(index, start);
    }
    m_slots.resize(base);
    return DXFILE_OK;
}

// Lays the values out by the template: for an object that is kept, straight into data sized by
// the widest value the template takes (exact for the usual templates of one value size);
// otherwise only as a check. `textBytes` is what the body's strings take with their terminators.
HRESULT Parser::Layout(const Template& t, const std::vector<Segment>& segments, std::uint64_t values,
                       std::uint64_t textBytes, bool keep, DataObject* object) {
    const std::uint64_t bound = values * t.widestValue;  // values fit in a file, so no overflow
    // GetData gives sizes as DWORDs; an object that might pass that is checked first.
    const bool check = !keep || !object || bound > 0xFFFFFFFFu;
    const std::uint64_t budget = m_layoutBudget;
    std::uint64_t size = bound;
    if (check) {
        Output counted;
        ValueReader reader(m_lexer, segments, values);
        if (const HRESULT hr = LayoutMembers(t, reader, counted, 0, true); FAILED(hr)) return hr;
        if (reader.Remaining() != 0) return DXFILEERR_PARSEERROR;  // values beyond the template
        if (counted.Size() > 0xFFFFFFFFu) return DXFILEERR_BADARRAYSIZE;
        if (!keep || !object) return DXFILE_OK;
        size = counted.Size();
    }
    const std::uint64_t afterCheck = m_layoutBudget;
    m_layoutBudget = budget;
    Output written(object, size, textBytes, t.members.size());
    ValueReader reader(m_lexer, segments, values);
    if (const HRESULT hr = LayoutMembers(t, reader, written, 0, true); FAILED(hr)) return hr;
    if (reader.Remaining() != 0) return DXFILEERR_PARSEERROR;
    if (written.Overflowed()) return DXFILEERR_BADVALUE;
    if (check) m_layoutBudget = afterCheck;
    written.Finish();
    return DXFILE_OK;
}

}  // namespace

HRESULT ParseXFile(const BYTE* data, std::size_t size, TemplateSet* templates, Document* document, ReadingRule rule) {
    if (!data || size < 16 || std::memcmp(data, "xof ", 4) != 0) return DXFILEERR_BADFILETYPE;
    if (std::memcmp(data + 4, "0302", 4) != 0 && std::memcmp(data + 4, "0303", 4) != 0) return DXFILEERR_BADFILEVERSION;
    const bool text = std::memcmp(data + 8, "txt ", 4) == 0, binary = std::memcmp(data + 8, "bin ", 4) == 0;
    if (!text && !binary) {
        const bool compressed = std::memcmp(data + 8, "tzip", 4) == 0 || std::memcmp(data + 8, "bzip", 4) == 0;
        return compressed ? DXFILEERR_BADFILECOMPRESSIONTYPE : DXFILEERR_BADFILETYPE;
    }
    const bool doubles = std::memcmp(data + 12, "0064", 4) == 0;
    if (!doubles && std::memcmp(data + 12, "0032", 4) != 0) return DXFILEERR_BADFILEFLOATSIZE;
    Parser parser(data + 16, size - 16, binary, doubles, templates, rule);
    const HRESULT hr = parser.ParseAll(document);
    if (SUCCEEDED(hr) && document) document->Index();
    return hr;
}

}  // namespace xfile
