// SPDX-License-Identifier: GPL-2.0-or-later
#include "placement.h"

#include <limits>

namespace
{
// The lower limit wins over the upper one when they cross.
int bound(int value, int lower, int upper)
{
    if (value < lower) {
        return lower;
    }
    if (value > upper) {
        return upper;
    }
    return value;
}

// Saturates: a ratio below 1 would otherwise take a large value past int.
int toIndependent(int devicePixels, qreal ratio)
{
    const qreal value = devicePixels / ratio;
    return static_cast<int>(qBound<qreal>(std::numeric_limits<int>::min(), value, std::numeric_limits<int>::max()));
}
}

Placement computePlacement(int position,
                           int size,
                           int width,
                           int height,
                           qreal devicePixelRatio,
                           const QRect &screenGeometry,
                           const QSize &screenSize,
                           const QSize &minimumSize)
{
    const int w = bound(toIndependent(width, devicePixelRatio), minimumSize.width(), screenGeometry.width());
    const int h = bound(toIndependent(height, devicePixelRatio), minimumSize.height(), screenGeometry.height());

    Placement placement;
    int finalHeight = h + 1;
    switch (position) {
    case 0:
        placement.borderTop = false;
        break;
    case 1:
        placement.borderRight = false;
        finalHeight = h + 2;
        break;
    case 3:
        placement.borderLeft = false;
        finalHeight = h + 2;
        break;
    default:
        placement.borderBottom = false;
        break;
    }

    // The taskbar can only take the room beside the window, whatever it claims.
    const bool horizontalBar = position == 0 || position == 2;
    const int room = horizontalBar ? screenSize.height() - finalHeight : screenSize.width() - w;
    const int s = bound(toIndependent(size, devicePixelRatio), 0, qMax(0, room));

    int x = screenGeometry.x();
    int y = screenGeometry.y();
    switch (position) {
    case 0:
        y += s;
        break;
    case 1:
        x += screenSize.width() - w - s;
        break;
    case 2:
        y += screenSize.height() - finalHeight - s;
        break;
    default:
        x += s;
        break;
    }

    placement.geometry = QRect(x, y, w, finalHeight);
    return placement;
}
