#include "template_art.h"

#include <utility>

namespace {

enum Look {
    Flat,
    FullTransparent,
    Melted,
    RoundCorner,
    Shaded,
    Transparent3D,
    Wide
};

Look LookOf(int style)
{
    return static_cast<Look>(style % 7);
}

const Rgba kAccents[] = {
    {46, 139, 87, 255},    // green
    {200, 56, 48, 255},    // red
    {47, 102, 191, 255},   // blue
    {230, 140, 30, 255},   // orange
    {120, 80, 170, 255},   // purple
    {30, 150, 160, 255},   // teal
    {90, 90, 100, 255},    // slate
    {180, 150, 40, 255},   // ochre
};

Rgba Accent(int index)
{
    return kAccents[index % 8];
}

const Rgba kWhite{255, 255, 255, 255};
const Rgba kInk{32, 32, 40, 255};

// A wave between -1 and 1 without library trigonometry: a smooth
// piecewise parabola with the given period.
double Wave(double x, double period)
{
    double t = x / period;
    t -= static_cast<double>(static_cast<long>(t));
    if (t < 0)
        t += 1;
    double u = t < 0.5 ? t * 4 - 1 : 3 - t * 4;   // triangle, -1..1
    return u * (2 - (u < 0 ? -u : u));            // rounded
}

// The picture on a button or icon, centred in a box of the given size.
void DrawGlyph(Raster &image, int glyph, double cx, double cy, double size, Rgba color)
{
    double h = size / 2;
    switch (glyph % 8) {
    case 0:   // check mark / home
        FillShape(image, color, ThickLine(cx - h * 0.8, cy, cx - h * 0.2, cy + h * 0.6, size * 0.09));
        FillShape(image, color,
                  ThickLine(cx - h * 0.2, cy + h * 0.6, cx + h * 0.8, cy - h * 0.6, size * 0.09));
        break;
    case 1:   // cross / back
        FillShape(image, color,
                  ThickLine(cx - h * 0.6, cy - h * 0.6, cx + h * 0.6, cy + h * 0.6, size * 0.09));
        FillShape(image, color,
                  ThickLine(cx - h * 0.6, cy + h * 0.6, cx + h * 0.6, cy - h * 0.6, size * 0.09));
        break;
    case 2:   // play / next
        FillShape(image, color,
                  Triangle(cx - h * 0.5, cy - h * 0.7, cx - h * 0.5, cy + h * 0.7, cx + h * 0.7, cy));
        break;
    case 3:   // stop / help
        FillShape(image, color,
                  RoundRect(cx - h * 0.55, cy - h * 0.55, cx + h * 0.55, cy + h * 0.55, size * 0.06));
        break;
    case 4:   // ring
        FillShape(image, color, Ring(cx, cy, h * 0.75, h * 0.45));
        break;
    case 5:   // printer: sheet over a box
        FillShape(image, color,
                  RoundRect(cx - h * 0.8, cy - h * 0.1, cx + h * 0.8, cy + h * 0.5, size * 0.05));
        FillShape(image, color, RoundRect(cx - h * 0.45, cy - h * 0.75, cx + h * 0.45, cy - h * 0.15, 0));
        break;
    case 6:   // disk
        FillShape(image, color,
                  RoundRect(cx - h * 0.7, cy - h * 0.7, cx + h * 0.7, cy + h * 0.7, size * 0.05));
        FillShape(image, Rgba{255, 255, 255, 200},
                  RoundRect(cx - h * 0.4, cy - h * 0.7, cx + h * 0.4, cy - h * 0.2, 0));
        break;
    default:   // arrow up
        FillShape(image, color,
                  Triangle(cx, cy - h * 0.75, cx - h * 0.7, cy + h * 0.05, cx + h * 0.7, cy + h * 0.05));
        FillShape(image, color, RoundRect(cx - h * 0.25, cy, cx + h * 0.25, cy + h * 0.75, 0));
        break;
    }
}

// A button face or an icon plate in the style's look.
void DrawPlate(Raster &image, Look look, Rgba base, bool pressed)
{
    const double w = image.width, h = image.height;
    switch (look) {
    case Flat:
        FillShape(image, base, RoundRect(0, 0, w, h, 0));
        FillShape(image, Shade(base, 70),
                  [=](double x, double y) { return x < 1 || y < 1 || x > w - 1 || y > h - 1; });
        break;
    case FullTransparent:
        // Only an outline: the page shows through.
        FillShape(image, base, [=](double x, double y) { return x < 2 || y < 2 || x > w - 2 || y > h - 2; });
        break;
    case Melted:
        FillVerticalGradient(image, Shade(base, 130), Shade(base, 85), 2);
        for (int x = 0; x < image.width; x++) {
            // The lower edge drips: a wavy line below which the plate is cut away.
            double edge = h * 0.78 + h * 0.12 * Wave(x, w / 3.5);
            for (int y = 0; y < image.height; y++)
                if (y > edge)
                    image.At(x, y) = Rgba{0, 0, 0, 0};
        }
        break;
    case RoundCorner:
        FillShape(image, Shade(base, 75), RoundRect(0, 0, w, h, h * 0.3));
        FillShape(image, base, RoundRect(1.5, 1.5, w - 1.5, h - 1.5, h * 0.3 - 1.5));
        break;
    case Shaded:
        FillVerticalGradient(image, Shade(base, pressed ? 80 : 140), Shade(base, pressed ? 120 : 70), 3);
        FillShape(image, Rgba{255, 255, 255, 90}, RoundRect(2, 2, w - 2, h * 0.45, 0));
        break;
    case Transparent3D: {
        Rgba glass = base;
        glass.a = 150;
        FillShape(image, glass, RoundRect(0, 0, w, h, 0));
        Rgba light{255, 255, 255, 200}, dark{0, 0, 0, 140};
        if (pressed)
            std::swap(light, dark);
        FillShape(image, light, [=](double x, double y) { return x < 2 || y < 2; });
        FillShape(image, dark, [=](double x, double y) { return x > w - 2 || y > h - 2; });
        break;
    }
    case Wide:
        FillHorizontalGradient(image, Shade(base, 120), Shade(base, 80), 2);
        FillShape(image, Rgba{255, 255, 255, 120}, ThickLine(4, h - 4, w - 4, h - 4, 1));
        break;
    }
}

Raster DrawIcon(const SampleImage &image, Look look)
{
    Raster raster(image.width, image.height, Rgba{0, 0, 0, 0});
    Rgba base = Accent(image.variant + image.style);
    double size = image.width;
    if (look == FullTransparent) {
        DrawGlyph(raster, image.variant, size / 2, size / 2, size * 0.8, base);
        return raster;
    }
    Raster plate(image.width, image.height, Rgba{0, 0, 0, 0});
    if (look == RoundCorner || look == Melted)
        FillShape(plate, base, Circle(size / 2, size / 2, size * 0.46));
    else
        FillShape(plate, base, RoundRect(size * 0.06, size * 0.06, size * 0.94, size * 0.94, size * 0.16));
    raster = plate;
    if (look == Shaded || look == Transparent3D)
        FillShape(raster, Rgba{255, 255, 255, 70}, Circle(size * 0.5, size * 0.1, size * 0.45));
    DrawGlyph(raster, image.variant, size / 2, size / 2, size * 0.6, kWhite);
    return raster;
}

Raster DrawButton(const SampleImage &image, Look look)
{
    Raster raster(image.width, image.height, Rgba{0, 0, 0, 0});
    Rgba base = Accent(image.variant + 2 * image.style);
    if (image.pressed)
        base = Shade(base, 80);
    DrawPlate(raster, look, base, image.pressed);
    double offset = image.pressed ? 1 : 0;
    Rgba ink = look == FullTransparent ? base : kWhite;
    DrawGlyph(raster, image.variant, image.height * 0.6 + offset, image.height / 2.0 + offset,
              image.height * 0.6, ink);
    // A label bar where a caption would go.
    Rgba label = ink;
    label.a = 170;
    FillShape(raster, label,
              RoundRect(image.height * 1.2 + offset, image.height * 0.42 + offset,
                        image.width - image.height * 0.4 + offset, image.height * 0.58 + offset, 2));
    return raster;
}

Raster DrawBackground(const SampleImage &image, Look look)
{
    Raster raster(image.width, image.height, kWhite);
    Rgba base = Accent(image.style);
    switch (look) {
    case FullTransparent:
        raster = Raster(image.width, image.height, Rgba{0, 0, 0, 0});
        FillShape(raster, base,
                  Ring(image.width / 2.0, image.height / 2.0, image.height * 0.45, image.height * 0.42));
        return raster;
    case Wide:
        FillHorizontalGradient(raster, Mix(base, kWhite, 80), Mix(base, kWhite, 40), 2);
        break;
    default:
        FillVerticalGradient(raster, Mix(base, kWhite, 85), Mix(base, kWhite, 55), look == Flat ? 0 : 2);
        break;
    }
    // Soft diagonal bands as a watermark.
    Rgba band = kWhite;
    band.a = 60;
    for (int i = -2; i < 6; i++)
        FillShape(raster, band, ThickLine(i * 40.0, image.height, i * 40.0 + image.height, 0, 6));
    return raster;
}

Raster DrawStrip(const SampleImage &image, Look look)
{
    Raster raster(image.width, image.height, kWhite);
    Rgba base = Accent(image.style + 3 * image.variant);
    if (look == FullTransparent) {
        raster = Raster(image.width, image.height, Rgba{0, 0, 0, 0});
        FillShape(raster, base, RoundRect(0, image.height - 3, image.width, image.height, 0));
    } else {
        DrawPlate(raster, look, base, false);
    }
    // Little squares where a logo and menu entries would sit.
    for (int i = 0; i < 5; i++) {
        double x = 8 + i * (image.height * 1.5);
        Rgba mark = look == FullTransparent ? base : Rgba{255, 255, 255, 180};
        FillShape(raster, mark,
                  RoundRect(x, image.height * 0.3, x + image.height * 0.9, image.height * 0.7, 2));
    }
    return raster;
}

}   // namespace

Rgba StyleMatte(int style)
{
    if (LookOf(style) == FullTransparent)
        return Rgba{255, 0, 255, 255};   // the usual colour key
    return Rgba{236, 233, 216, 255};     // dialog grey
}

Raster DrawTemplateImage(const SampleImage &image)
{
    Look look = LookOf(image.style);
    switch (image.kind) {
    case ImageKind::Icon:
        return DrawIcon(image, look);
    case ImageKind::Button:
        return DrawButton(image, look);
    case ImageKind::Background:
        return DrawBackground(image, look);
    case ImageKind::Strip:
        return DrawStrip(image, look);
    }
    return Raster(image.width, image.height, kInk);
}
