// The source filter for a movie file: its one output pin "Output" offers the decoder's pictures
// and, once connected, a streaming thread of its own decodes the video stream and delivers each
// picture to the connected pin as a bottom-up RGB24 sample.
#pragma once

#include "dshow/interfaces.h"

namespace dshow {

// Opens the file (through the platform's file lookup); the filter starts with one reference.
// Fails with the reader's code when the file cannot be played.
HRESULT CreateMovieSource(const char* path, IBaseFilter** ppFilter);

}  // namespace dshow
