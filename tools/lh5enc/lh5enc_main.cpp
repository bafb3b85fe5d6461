// lh5enc [--fast] IN OUT: compresses the file IN into the raw lh5 stream OUT
// (no archive header) at the best level, or the fast one, and prints the sizes.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "lh5_encoder.h"

int main(int argc, char **argv)
{
    Lh5Level level = Lh5Level::kBest;
    if (argc == 4 && std::strcmp(argv[1], "--fast") == 0) {
        level = Lh5Level::kFast;
        ++argv;
        --argc;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: lh5enc [--fast] IN OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "lh5enc: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> packed = Lh5Encode(data.data(), data.size(), level);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char *>(packed.data()), static_cast<std::streamsize>(packed.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "lh5enc: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%zu -> %zu bytes\n", data.size(), packed.size());
    return 0;
}
