#pragma once

#include <QColor>
#include <QImage>

// Whether any pixel of the picture has exactly this colour (a mark's, an axis's).
inline bool HasColor(const QImage& image, const QColor& color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color)
                return true;
    return false;
}
