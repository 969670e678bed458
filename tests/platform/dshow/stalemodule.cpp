// A movie decoder module built against another interface layout than the program's: one that
// says another version, or (built without STALE_VERSION_OFFSET) one from before modules said
// any. Its factory must never be called.
#include <cstdlib>

#include "dshow/moviedecoder.h"

#ifdef STALE_VERSION_OFFSET
extern "C" __attribute__((visibility("default"))) int AbisaliaMovieDecoderVersion() {
    return dshow::kMovieDecoderVersion + STALE_VERSION_OFFSET;
}
#endif

extern "C" __attribute__((visibility("default"))) void* AbisaliaCreateMovieDecoder() { std::abort(); }
