#include "dshow/moviereader.h"

#include "dshow/moviedecoder.h"
#include "dshow/moviemodule.h"
#include "win32/fileio.h"

namespace dshow {

MovieReader::MovieReader() = default;
MovieReader::~MovieReader() = default;

HRESULT MovieReader::Open(const std::string& path) {
    std::FILE* file = win32::OpenFile(path.c_str(), "rb");
    if (!file) return HRESULT_FILE_NOT_FOUND;
    const CreateMovieDecoderFn create = MovieDecoderFactory();
    if (!create) {
        std::fclose(file);
        return VFW_E_UNSUPPORTED_STREAM;
    }
    decoder_.reset(create());
    if (!decoder_) {
        std::fclose(file);
        return E_OUTOFMEMORY;
    }
    if (const HRESULT hr = decoder_->Open(file); FAILED(hr)) return hr;
    width_ = decoder_->Width();
    height_ = decoder_->Height();
    frameDuration_ = decoder_->FrameDuration();
    return S_OK;
}

bool MovieReader::Next(std::vector<BYTE>& out, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    return width_ > 0 && decoder_->Next(out, start, stop);
}

void MovieReader::RequestStop() {
    if (decoder_) decoder_->RequestStop();
}

}  // namespace dshow
