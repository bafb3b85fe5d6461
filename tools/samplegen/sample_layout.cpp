#include "sample_layout.h"

namespace {

const char *const kIconNames[] = {"home", "back", "next", "help", "exit", "print", "save", "open"};
const char *const kButtonNames[] = {"ok", "cancel", "play", "stop"};
const char *const kStripNames[] = {"title", "footer", "sidebar"};

// name, or name2, name3... once a list runs out (only with few styles).
std::string Numbered(const char *const *names, int count, int index)
{
    std::string name = names[index % count];
    if (index >= count)
        name += std::to_string(index / count + 1);
    return name;
}

// Spreads total items over count styles, the first ones taking the rest.
int Share(int total, int count, int style)
{
    return total / count + (style < total % count ? 1 : 0);
}

}   // namespace

std::vector<SampleImage> SampleImages(const std::vector<std::string> &styles)
{
    std::vector<SampleImage> images;
    const int styleCount = static_cast<int>(styles.size());
    for (int s = 0; s < styleCount; s++) {
        const bool wide = s % 7 == 6;
        const int pngs = Share(kSamplePngCount, styleCount, s);
        const int bmps = Share(kSampleBmpCount, styleCount, s);
        for (int i = 0; i < pngs; i++) {
            SampleImage image;
            image.kind = ImageKind::Icon;
            image.style = s;
            image.variant = i;
            image.width = image.height = 32 + 16 * (i % 3);
            image.path = {"templates", styles[s], "Icons", Numbered(kIconNames, 8, i) + ".png"};
            images.push_back(image);
        }
        // Buttons come in pairs (up and down faces); a background and strips
        // fill the rest of the style's share.
        const int buttonFaces = bmps >= 10 ? 8 : (bmps > 2 ? (bmps - 2) & ~1 : 0);
        for (int i = 0; i < buttonFaces; i++) {
            SampleImage image;
            image.kind = ImageKind::Button;
            image.style = s;
            image.variant = i / 2;
            image.pressed = i % 2 == 1;
            image.width = wide ? 128 : 96;
            image.height = 32;
            image.path = {"templates", styles[s], "Buttons",
                          Numbered(kButtonNames, 4, i / 2) + (image.pressed ? "_down.bmp" : "_up.bmp")};
            images.push_back(image);
        }
        for (int i = 0; i < bmps - buttonFaces; i++) {
            SampleImage image;
            image.style = s;
            if (i == 0) {
                image.kind = ImageKind::Background;
                image.width = wide ? 192 : 160;
                image.height = 120;
                image.path = {"templates", styles[s], "Frames", "back.bmp"};
            } else {
                image.kind = ImageKind::Strip;
                image.variant = i - 1;
                image.width = wide ? 400 : 320;
                image.height = i == 1 ? 40 : 24;
                image.path = {"templates", styles[s], "Frames", Numbered(kStripNames, 3, i - 1) + ".bmp"};
            }
            images.push_back(image);
        }
    }
    return images;
}

std::string BackslashName(const SampleImage &image)
{
    std::string name;
    for (const std::string &part : image.path) {
        if (!name.empty())
            name += '\\';
        name += part;
    }
    return name;
}
