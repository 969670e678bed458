#include <benchmark/benchmark.h>

#include "d3dx8/image/imagedecode.h"
#include "imagefixtures.h"

namespace {

constexpr unsigned kSize = 1024;

// A smooth gradient with some texture, so neither codec sees a trivially flat image.
fixtures::Bytes Samples(int channels) {
    fixtures::Bytes s;
    s.reserve(std::size_t{kSize} * kSize * channels);
    for (unsigned y = 0; y < kSize; ++y)
        for (unsigned x = 0; x < kSize; ++x)
            for (int c = 0; c < channels; ++c) s.push_back(BYTE((x * (c + 1) + y * 3 + ((x ^ y) & 15)) & 0xFF));
    return s;
}

void Decode(benchmark::State& state, const fixtures::Bytes& file) {
    d3dx::DecodedImage image;
    for (auto _ : state) {
        if (FAILED(d3dx::DecodeImage(file.data(), file.size(), &image))) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.texels.data());
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(file.size()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(file.size()) + " bytes");
}

void BM_DecodePng1024(benchmark::State& state) {
    static const fixtures::Bytes file = fixtures::MakePng(
        {.width = kSize, .height = kSize, .colourType = PNG_COLOR_TYPE_RGB_ALPHA, .rows = Samples(4)});
    Decode(state, file);
}
BENCHMARK(BM_DecodePng1024)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg1024(benchmark::State& state) {
    static const fixtures::Bytes file = fixtures::MakeJpeg(kSize, kSize, 3, Samples(3), 90);
    Decode(state, file);
}
BENCHMARK(BM_DecodeJpeg1024)->Unit(benchmark::kMillisecond);

}  // namespace
