// SPDX-License-Identifier: GPL-2.0-or-later
#include "nydintegration.h"

#include <QColor>
#include <QString>

#include <cmath>

namespace
{
QColor parseColor(const std::string &name)
{
    return QColor(QString::fromStdString(name));
}

std::string colorName(const QColor &color)
{
    return color.name(QColor::HexRgb).toStdString();
}

// sRGB channel to linear light.
double linearChannel(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor &color)
{
    return 0.2126 * linearChannel(color.redF()) + 0.7152 * linearChannel(color.greenF()) + 0.0722 * linearChannel(color.blueF());
}
}

std::string textColorFor(const std::string &color)
{
    const QColor background = parseColor(color);
    if (!background.isValid()) {
        return std::string("#000000");
    }
    const double luminance = relativeLuminance(background);
    const double againstBlack = (luminance + 0.05) / 0.05;
    const double againstWhite = 1.05 / (luminance + 0.05);
    return againstWhite > againstBlack ? std::string("#ffffff") : std::string("#000000");
}

std::string CreateShadeColor(const std::string &color, double factor)
{
    const QColor base = parseColor(color);
    if (!base.isValid()) {
        return color;
    }
    if (std::isnan(factor)) {
        factor = 0.0;
    }
    factor = qBound(-1.0, factor, 1.0);

    const auto shade = [factor](int channel) {
        return factor >= 0.0 ? qRound(channel + (255 - channel) * factor) : qRound(channel * (1.0 + factor));
    };
    return colorName(QColor(shade(base.red()), shade(base.green()), shade(base.blue())));
}

std::string GetPrimaryDarkColor(const std::string &color, bool flag)
{
    const QColor base = parseColor(color);
    if (!base.isValid()) {
        return color;
    }
    const double keep = flag ? 0.8 : 0.9;
    const QColor hsl = base.toHsl();
    return colorName(QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), hsl.lightnessF() * keep));
}
