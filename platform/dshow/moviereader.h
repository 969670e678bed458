// A movie file's video stream decoded into bottom-up BGR rows: the layout the graph hands to its
// renderer. Audio and every other stream are skipped. The decoding is the movie module's
// (moviedecoder.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dshow/types.h"

namespace dshow {

class MovieDecoder;

// Larger pictures are refused rather than allocated.
inline constexpr int kMaxMovieSide = 4096;

// Bytes per row of a 24-bit frame: three per pixel, rounded up to a multiple of four.
constexpr int RowPitch24(int width) { return (3 * width + 3) & ~3; }

class MovieReader {
public:
    MovieReader();
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    // Opens the file through the platform's file lookup, finds its video stream and opens a
    // single-threaded decoder. HRESULT_FILE_NOT_FOUND, VFW_E_UNKNOWN_FILE_TYPE or
    // VFW_E_UNSUPPORTED_STREAM (no video, no decoder, no movie module, or a picture size out of
    // range).
    HRESULT Open(const std::string& path);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Pitch() const { return RowPitch24(width_); }
    // Nominal frame length in 100-ns units (1/25 s when the file does not say).
    REFERENCE_TIME FrameDuration() const { return frameDuration_; }

    // Decodes the next picture into `out` (Pitch() x Height() bytes, bottom row first) and gives
    // its stream times. False at the end of the stream; a read or decode error ends it too.
    bool Next(std::vector<BYTE>& out, REFERENCE_TIME* start, REFERENCE_TIME* stop);

    // From any thread, while another is in Next: the read under way ends soon and Next gives
    // false from then on.
    void RequestStop();

private:
    std::unique_ptr<MovieDecoder> decoder_;
    int width_ = 0, height_ = 0;
    REFERENCE_TIME frameDuration_ = kUnitsPerSecond / 25;
};

}  // namespace dshow
