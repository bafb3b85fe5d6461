// Which template images the sample product carries: 46 PNG and 71 BMP files
// spread over the template styles, below templates\<style>\<folder>\.
#ifndef TOOLS_SAMPLEGEN_SAMPLE_LAYOUT_H
#define TOOLS_SAMPLEGEN_SAMPLE_LAYOUT_H

#include <string>
#include <vector>

enum {
    kSamplePngCount = 46,
    kSampleBmpCount = 71
};

enum class ImageKind {
    Icon,         // PNG with transparency, below Icons
    Button,       // BMP button face, below Buttons
    Background,   // BMP page background, below Frames
    Strip         // BMP title or footer strip, below Frames
};

struct SampleImage {
    std::vector<std::string> path;   // components: "templates", style, folder, file
    ImageKind kind = ImageKind::Icon;
    int style = 0;          // index into the styles
    int variant = 0;        // which picture of its kind
    bool pressed = false;   // the pressed face of a button
    int width = 0;
    int height = 0;
};

// The full list, in a fixed order, for the given style folder names.
std::vector<SampleImage> SampleImages(const std::vector<std::string> &styles);

// "templates\Flat\Icons\home.png"
std::string BackslashName(const SampleImage &image);

#endif
