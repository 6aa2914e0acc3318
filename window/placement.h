// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PLACEMENT_H
#define PLACEMENT_H

#include <QRect>
#include <QSize>

/**
 * Where the panel goes next to a taskbar: kept free of widgets and screens so
 * the arithmetic can be checked over every input.
 */
struct Placement {
    QRect geometry;
    bool borderTop = true;
    bool borderLeft = true;
    bool borderBottom = true;
    bool borderRight = true;
};

/**
 * @param position taskbar edge: 0 top, 1 right, 2 bottom, 3 left
 * @param size taskbar thickness, width and height: device pixels
 * @param screenGeometry and @p screenSize: the screen, device-independent
 */
Placement computePlacement(int position,
                           int size,
                           int width,
                           int height,
                           qreal devicePixelRatio,
                           const QRect &screenGeometry,
                           const QSize &screenSize,
                           const QSize &minimumSize);

#endif
