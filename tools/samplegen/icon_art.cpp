#include "icon_art.h"

namespace {

Raster ProgramImage(int size)
{
    double s = size;
    Raster image(size, size, Rgba{0, 0, 0, 0});
    FillShape(image, Rgba{20, 60, 130, 255}, RoundRect(0.5, 0.5, s - 0.5, s - 0.5, s * 0.2));
    FillShape(image, Rgba{47, 102, 191, 255}, RoundRect(1.5, 1.5, s - 1.5, s - 1.5, s * 0.18));
    FillShape(image, Rgba{255, 255, 255, 60}, RoundRect(2, 2, s - 2, s * 0.45, s * 0.15));
    // A "V" in two strokes.
    FillShape(image, Rgba{255, 255, 255, 255}, ThickLine(s * 0.25, s * 0.25, s * 0.5, s * 0.78, s * 0.08));
    FillShape(image, Rgba{255, 255, 255, 255}, ThickLine(s * 0.75, s * 0.25, s * 0.5, s * 0.78, s * 0.08));
    return image;
}

Raster UninstallImage(int size)
{
    double s = size;
    Raster image(size, size, Rgba{0, 0, 0, 0});
    // A bin with a red cross over it.
    FillShape(image, Rgba{90, 90, 100, 255}, RoundRect(s * 0.22, s * 0.28, s * 0.78, s * 0.95, s * 0.06));
    FillShape(image, Rgba{150, 150, 160, 255}, RoundRect(s * 0.28, s * 0.34, s * 0.72, s * 0.9, s * 0.04));
    FillShape(image, Rgba{90, 90, 100, 255}, RoundRect(s * 0.12, s * 0.16, s * 0.88, s * 0.26, s * 0.03));
    FillShape(image, Rgba{200, 40, 40, 255}, ThickLine(s * 0.3, s * 0.42, s * 0.7, s * 0.82, s * 0.07));
    FillShape(image, Rgba{200, 40, 40, 255}, ThickLine(s * 0.7, s * 0.42, s * 0.3, s * 0.82, s * 0.07));
    return image;
}

}   // namespace

std::vector<Raster> DrawProgramIcon(const std::string &kind)
{
    if (kind == "program")
        return {ProgramImage(32), ProgramImage(16)};
    if (kind == "uninstall")
        return {UninstallImage(32), UninstallImage(16)};
    return {};
}
