// Movie files, as the media graph's source reads them: the input is written to a scratch regular
// file and opened and decoded through the movie reader (the decoder module), a bounded number of
// frames and pixels.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dshow/moviemodule.h"
#include "dshow/moviereader.h"
#include "fuzz.h"

namespace {

constexpr int kMaxFrames = 24;
// A picture may be 4096 x 4096; enough of them would only measure the decoder's speed.
constexpr long long kMaxPixels = 64ll << 20;

class ScratchFile {
public:
    ScratchFile() {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir && *dir ? dir : "/tmp") + "/abisalia-video-fuzz-" + std::to_string(::getpid()) + ".bin";
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    bool Write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const ScratchFile& Scratch() {
    static const ScratchFile file;
    return file;
}

}  // namespace

// The module is loaded before the first input, so the fuzzer sees its code from the start. A
// harness is no program of the game's: it names the build's module folder, unless told another.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("ABISALIA_MODULE_DIR", ABISALIA_MODULE_DIR, 0);
    if (!dshow::MovieDecoderFactory()) std::fprintf(stderr, "video fuzz: no movie module\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!Scratch().Write(data, size)) return 0;
    dshow::MovieReader reader;
    if (FAILED(reader.Open(Scratch().path()))) return 0;
    if (reader.Width() < 1 || reader.Height() < 1 || reader.Width() > dshow::kMaxMovieSide ||
        reader.Height() > dshow::kMaxMovieSide)
        __builtin_trap();
    std::vector<BYTE> frame;
    REFERENCE_TIME start = 0, stop = 0, lastStop = 0;
    long long pixels = 0;
    for (int i = 0; i < kMaxFrames && pixels < kMaxPixels && reader.Next(frame, &start, &stop); ++i) {
        // Every frame fills the agreed picture, and its times go forward.
        if (frame.size() != static_cast<std::size_t>(reader.Pitch()) * reader.Height()) __builtin_trap();
        if (start < lastStop || stop <= start) __builtin_trap();
        lastStop = stop;
        pixels += static_cast<long long>(reader.Width()) * reader.Height();
    }
    return 0;
}
