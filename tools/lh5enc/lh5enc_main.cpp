// lh5enc IN OUT: compresses the file IN into the raw lh5 stream OUT (no
// archive header) and prints the sizes.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "lh5_encoder.h"

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lh5enc IN OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "lh5enc: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> packed = Lh5Encode(data.data(), data.size());
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char *>(packed.data()), static_cast<std::streamsize>(packed.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "lh5enc: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%zu -> %zu bytes\n", data.size(), packed.size());
    return 0;
}
