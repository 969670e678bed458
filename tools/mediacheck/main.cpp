// mediacheck FILE...: loads each file through the game's loaders and says what they found.
#include <cstdio>

#include "tools/mediacheck/checkfile.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mediacheck FILE...\n");
        return 2;
    }
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const mediacheck::FileReport r = mediacheck::CheckMediaFile(argv[i]);
        std::FILE* out = r.loaded ? stdout : stderr;
        std::fprintf(out, "%s: %s\n", argv[i], r.text.c_str());
        failures += r.loaded ? 0 : 1;
    }
    return failures ? 1 : 0;
}
