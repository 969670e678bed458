// Image files: BMP, TGA, PNG and JPEG by their content, as the texture loaders read them.
#include "d3dx8/image/imagedecode.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    d3dx::DecodedImage image;
    if (SUCCEEDED(d3dx::DecodeImage(data, size, &image)) &&
        image.texels.size() != std::size_t{image.width} * image.height)
        __builtin_trap();
    // Each decoder also meets what another format's signature would send elsewhere.
    d3dx::DecodeBmp(data, size, &image);
    d3dx::DecodeTga(data, size, &image);
    return 0;
}
