// The COM objects of the X-file component over a parsed document. Every object holds the
// document through a shared pointer, so children outlive the enumerator and file that made them.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#include "d3dx8/image/filebytes.h"
#include "d3dx8/xfile/dxfile.h"
#include "d3dx8/xfile/xdocument.h"

namespace xfile {
namespace {

using DocumentPtr = std::shared_ptr<const Document>;

HRESULT CopyName(const std::string& name, LPSTR buffer, LPDWORD length) {
    if (!length) return DXFILEERR_BADVALUE;
    const DWORD needed = name.empty() ? 0 : static_cast<DWORD>(name.size() + 1);
    if (!buffer) {
        *length = needed;
        return DXFILE_OK;
    }
    if (*length < needed) return DXFILEERR_BADVALUE;
    if (needed)
        std::memcpy(buffer, name.c_str(), needed);
    else if (*length > 0)
        buffer[0] = '\0';
    *length = needed;
    return DXFILE_OK;
}

class FileData final : public win32::ComObject<IDirectXFileData, IID_IDirectXFileData, IID_IDirectXFileObject> {
public:
    FileData(DocumentPtr document, const DataObject* object) : m_document(std::move(document)), m_object(object) {}

    HRESULT GetName(LPSTR buffer, LPDWORD length) override { return CopyName(m_object->name, buffer, length); }
    HRESULT GetId(GUID* id) override {
        if (!id) return DXFILEERR_BADVALUE;
        *id = m_object->id;
        return DXFILE_OK;
    }
    HRESULT GetData(LPCSTR member, DWORD* size, void** data) override {
        if (!size || !data) return DXFILEERR_BADVALUE;
        std::size_t offset = 0, length = m_object->data.size();
        if (member) {
            // The last member of the name, as a struct's would be; one that takes no bytes has no span.
            const std::vector<std::string>* names = m_object->memberNames.get();
            std::size_t index = names ? names->size() : 0;
            while (index > 0 && (*names)[index - 1] != member) --index;
            if (index == 0) return DXFILEERR_NOTFOUND;
            const auto& spans = m_object->members;
            const auto span = std::lower_bound(spans.begin(), spans.end(), index - 1,
                                               [](const MemberSpan& s, std::size_t i) { return s.member < i; });
            offset = length = 0;
            if (span != spans.end() && span->member == index - 1) {
                offset = span->offset;
                length = span->size;
            }
        }
        *size = static_cast<DWORD>(length);
        *data = length ? const_cast<BYTE*>(m_object->data.data() + offset) : nullptr;
        return DXFILE_OK;
    }
    HRESULT GetType(const GUID** type) override {
        if (!type) return DXFILEERR_BADVALUE;
        *type = &m_object->type;
        return DXFILE_OK;
    }
    HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) override;
    HRESULT AddDataObject(LPDIRECTXFILEDATA) override { return E_NOTIMPL; }
    HRESULT AddDataReference(LPCSTR, const GUID*) override { return E_NOTIMPL; }
    HRESULT AddBinaryObject(LPCSTR, const GUID*, LPCSTR, LPVOID, DWORD) override { return E_NOTIMPL; }

private:
    ~FileData() override = default;
    DocumentPtr m_document;
    const DataObject* m_object;
    std::size_t m_next = 0;
};

class FileReference final
    : public win32::ComObject<IDirectXFileDataReference, IID_IDirectXFileDataReference, IID_IDirectXFileObject> {
public:
    FileReference(DocumentPtr document, const Child* child) : m_document(std::move(document)), m_child(child) {}

    HRESULT GetName(LPSTR buffer, LPDWORD length) override { return CopyName(m_child->refName, buffer, length); }
    HRESULT GetId(GUID* id) override {
        if (!id) return DXFILEERR_BADVALUE;
        *id = m_child->refHasId ? m_child->refId : GUID{};
        return DXFILE_OK;
    }
    HRESULT Resolve(LPDIRECTXFILEDATA* data) override {
        if (!data) return DXFILEERR_BADVALUE;
        *data = nullptr;
        const DataObject* target = m_document->Resolve(*m_child);
        if (!target) return DXFILEERR_BADDATAREFERENCE;
        *data = new FileData(m_document, target);
        return DXFILE_OK;
    }

private:
    ~FileReference() override = default;
    DocumentPtr m_document;
    const Child* m_child;
};

HRESULT FileData::GetNextObject(LPDIRECTXFILEOBJECT* child) {
    if (!child) return DXFILEERR_BADVALUE;
    *child = nullptr;
    if (m_next >= m_object->children.size()) return DXFILEERR_NOMOREOBJECTS;
    const Child& c = m_object->children[m_next++];
    if (c.object)
        *child = new FileData(m_document, c.object.get());
    else
        *child = new FileReference(m_document, &c);
    return DXFILE_OK;
}

class EnumObject final : public win32::ComObject<IDirectXFileEnumObject, IID_IDirectXFileEnumObject> {
public:
    explicit EnumObject(DocumentPtr document) : m_document(std::move(document)) {}

    HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) override {
        if (!data) return DXFILEERR_BADVALUE;
        *data = nullptr;
        if (m_next >= m_document->objects.size()) return DXFILEERR_NOMOREOBJECTS;
        *data = new FileData(m_document, m_document->objects[m_next++].get());
        return DXFILE_OK;
    }
    HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) override {
        return Hand(data, m_document->FindById(id));
    }
    HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) override {
        return Hand(data, name ? m_document->FindByName(name) : nullptr);
    }

private:
    ~EnumObject() override = default;
    HRESULT Hand(LPDIRECTXFILEDATA* data, const DataObject* object) {
        if (!data) return DXFILEERR_BADVALUE;
        *data = object ? new FileData(m_document, object) : nullptr;
        return object ? DXFILE_OK : DXFILEERR_NOTFOUND;
    }
    DocumentPtr m_document;
    std::size_t m_next = 0;
};

HRESULT Open(LPVOID source, DXFILELOADOPTIONS options, const TemplateSet& known, ReadingRule rule,
             LPDIRECTXFILEENUMOBJECT* enumObject) {
    if (!enumObject) return DXFILEERR_BADVALUE;
    *enumObject = nullptr;
    if (!source) return DXFILEERR_BADVALUE;
    std::vector<BYTE> bytes;
    const BYTE* data = nullptr;
    std::size_t size = 0;
    switch (options & 0x0F) {
        case DXFILELOAD_FROMFILE:
            if (FAILED(d3dx::ReadWholeFile(static_cast<const char*>(source), &bytes))) return DXFILEERR_FILENOTFOUND;
            data = bytes.data();
            size = bytes.size();
            break;
        case DXFILELOAD_FROMMEMORY: {
            const auto* memory = static_cast<const DXFILELOADMEMORY*>(source);
            if (!memory->lpMemory && memory->dSize) return DXFILEERR_BADVALUE;
            data = static_cast<const BYTE*>(memory->lpMemory);
            size = memory->dSize;
            break;
        }
        default: return DXFILEERR_BADVALUE;  // resources, streams and URLs do not exist here
    }
    // Templates the file declares stay with this read; registered ones are kept for all.
    TemplateSet templates = known;
    auto document = std::make_shared<Document>();
    const HRESULT hr = ParseXFile(data, size, &templates, document.get(), rule);
    if (FAILED(hr)) return hr;
    *enumObject = new EnumObject(std::move(document));
    return DXFILE_OK;
}

class XFile final : public win32::ComObject<IDirectXFile, IID_IDirectXFile> {
public:
    XFile() : m_templates(TemplateSet::BuiltIns()) {}

    HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* enumObject) override {
        return Open(source, options, m_templates, nullptr, enumObject);
    }
    HRESULT CreateSaveObject(LPCSTR, DWORD, LPDIRECTXFILESAVEOBJECT* saveObject) override {
        if (saveObject) *saveObject = nullptr;
        return E_NOTIMPL;
    }
    HRESULT RegisterTemplates(LPVOID data, DWORD size) override {
        if (!data) return DXFILEERR_BADVALUE;
        TemplateSet templates = m_templates;
        const HRESULT hr = ParseXFile(static_cast<const BYTE*>(data), size, &templates, nullptr);
        if (FAILED(hr)) return hr;
        m_templates = std::move(templates);
        return DXFILE_OK;
    }

private:
    ~XFile() override = default;
    TemplateSet m_templates;
};

}  // namespace

HRESULT OpenXFile(LPVOID source, DXFILELOADOPTIONS options, ReadingRule rule, IDirectXFileEnumObject** enumObject) {
    return Open(source, options, TemplateSet::BuiltIns(), rule, enumObject);
}

}  // namespace xfile

HRESULT DirectXFileCreate(LPDIRECTXFILE* file) {
    if (!file) return DXFILEERR_BADVALUE;
    *file = new xfile::XFile();
    return DXFILE_OK;
}
