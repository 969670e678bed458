#include <cstring>

#include "dshow/types.h"

CMediaType::CMediaType() : AM_MEDIA_TYPE{} {
    majortype = subtype = formattype = GUID_NULL;
    bFixedSizeSamples = TRUE;
}

CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE(other), format_(other.format_) {
    pbFormat = format_.empty() ? nullptr : format_.data();
    cbFormat = static_cast<ULONG>(format_.size());
}

CMediaType& CMediaType::operator=(const CMediaType& other) {
    if (this != &other) {
        static_cast<AM_MEDIA_TYPE&>(*this) = other;
        format_ = other.format_;
        pbFormat = format_.empty() ? nullptr : format_.data();
        cbFormat = static_cast<ULONG>(format_.size());
    }
    return *this;
}

void CMediaType::SetSampleSize(ULONG size) {
    lSampleSize = size;
    bFixedSizeSamples = size != 0;
}

BOOL CMediaType::SetFormat(const BYTE* format, ULONG length) {
    if (length && !format) return FALSE;
    format_.assign(format, format + length);
    pbFormat = format_.empty() ? nullptr : format_.data();
    cbFormat = length;
    return TRUE;
}
