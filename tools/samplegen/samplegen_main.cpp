// samplegen: writes the sample product's generated files.
//   samplegen images OUTDIR STYLE...   template images below OUTDIR/templates
//   samplegen icon OUT.ico program|uninstall
#include "bmp_writer.h"
#include "icon_art.h"
#include "ico_writer.h"
#include "png_writer.h"
#include "sample_layout.h"
#include "template_art.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const char kUsage[] = "usage: samplegen images OUTDIR STYLE...\n"
                      "       samplegen icon OUT.ico program|uninstall\n"
                      "\n"
                      "images  writes the sample template images (46 PNG, 71 BMP) below\n"
                      "        OUTDIR/templates/STYLE/<folder>/, spread over the styles given.\n"
                      "icon    writes an icon file with a 32 x 32 and a 16 x 16 image.\n"
                      "The output depends on the arguments only: every run writes the same bytes.\n";

bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "samplegen: cannot create '%s': %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "samplegen: cannot write '%s'\n", path.c_str());
    return ok;
}

bool MakeFolder(const std::string &path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return true;
    std::fprintf(stderr, "samplegen: cannot create folder '%s': %s\n", path.c_str(), std::strerror(errno));
    return false;
}

int Images(const std::string &root, const std::vector<std::string> &styles)
{
    for (const std::string &style : styles)
        if (style.empty() || style.find('/') != std::string::npos || style.find('\\') != std::string::npos ||
            style == "." || style == "..") {
            std::fprintf(stderr, "samplegen: '%s' cannot be a folder name\n", style.c_str());
            return 1;
        }
    if (!MakeFolder(root))
        return 1;
    size_t pngs = 0, bmps = 0;
    for (const SampleImage &image : SampleImages(styles)) {
        std::string path = root;
        for (size_t i = 0; i + 1 < image.path.size(); i++) {
            path += "/" + image.path[i];
            if (!MakeFolder(path))
                return 1;
        }
        path += "/" + image.path.back();
        Raster raster = DrawTemplateImage(image);
        bool ok;
        if (image.kind == ImageKind::Icon) {
            ok = WriteFile(path, EncodePng(raster));
            pngs++;
        } else {
            ok = WriteFile(path, EncodeBmp(raster, StyleMatte(image.style)));
            bmps++;
        }
        if (!ok)
            return 1;
    }
    std::printf("samplegen: %zu images (%zu PNG, %zu BMP) below %s/templates\n", pngs + bmps, pngs, bmps,
                root.c_str());
    return 0;
}

}   // namespace

int main(int argc, char **argv)
{
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "images" && argc >= 4)
        return Images(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    if (command == "icon" && argc == 4) {
        std::vector<Raster> images = DrawProgramIcon(argv[3]);
        if (images.empty()) {
            std::fprintf(stderr, "samplegen: unknown icon '%s' (program or uninstall)\n", argv[3]);
            return 2;
        }
        return WriteFile(argv[2], EncodeIco(images)) ? 0 : 1;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
