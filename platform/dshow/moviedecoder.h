// The decoder behind MovieReader. It lives in a module of its own (the FFmpeg libraries it needs
// cost the program's start tens of milliseconds of dynamic linking), loaded by moviemodule.cpp;
// this interface is all that crosses the boundary.
#pragma once

#include <cstdio>
#include <vector>

#include "dshow/types.h"

namespace dshow {

class MovieDecoder {
public:
    virtual ~MovieDecoder() = default;
    // Takes the open file (closed by the decoder), finds its video stream and opens a
    // single-threaded decoder. VFW_E_UNKNOWN_FILE_TYPE, VFW_E_UNSUPPORTED_STREAM or E_OUTOFMEMORY.
    virtual HRESULT Open(std::FILE* file) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual REFERENCE_TIME FrameDuration() const = 0;
    // As MovieReader::Next.
    virtual bool Next(std::vector<BYTE>& out, REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // As MovieReader::RequestStop.
    virtual void RequestStop() = 0;
};

// Raised whenever the layout above changes: a module built against another layout is refused.
inline constexpr int kMovieDecoderVersion = 2;

// The module's two exports: the layout it was built against, and a new decoder (null when out of
// memory).
using MovieDecoderVersionFn = int (*)();
inline constexpr const char kMovieDecoderVersionSymbol[] = "AbisaliaMovieDecoderVersion";
using CreateMovieDecoderFn = MovieDecoder* (*)();
inline constexpr const char kCreateMovieDecoderSymbol[] = "AbisaliaCreateMovieDecoder";

}  // namespace dshow
