// Loading of the movie decoder module (moviedecoder.h). The program starts without it; it is
// loaded on a thread of its own once prefetched, or at the first movie otherwise.
#pragma once

#include <string>

#include "dshow/moviedecoder.h"

namespace dshow {

// Starts loading the module in the background, so that the first movie finds it loaded. Calls
// after the first do nothing. The loading thread is joined, and the module closed, at exit.
void PrefetchMovieModule();

// The module's decoder factory, waiting for a prefetch under way or loading the module now; null
// when the module cannot be loaded (said once on standard error; every movie then fails to open).
CreateMovieDecoderFn MovieDecoderFactory();

// Tests: the module to load from now on (empty: the one found beside the program, as at start).
// Closes the module loaded so far, so no decoder may be alive.
void SetMovieModulePath(const std::string& path);

}  // namespace dshow
