// SPDX-License-Identifier: GPL-2.0-or-later
#include "deriveshades.h"

#include "nydintegration.h"

void deriveShades(const std::string &primary, std::string *light, std::string *dark)
{
    std::string lightShade = CreateShadeColor(primary, 0.333);
    std::string darkShade = GetPrimaryDarkColor(primary, true);
    if (lightShade == primary) {
        lightShade = CreateShadeColor(primary, -0.125);
        darkShade = CreateShadeColor(primary, -0.25);
    } else if (darkShade == primary) {
        darkShade = CreateShadeColor(primary, 0.166);
        lightShade = CreateShadeColor(primary, 0.333);
    }
    if (light) {
        *light = lightShade;
    }
    if (dark) {
        *dark = darkShade;
    }
}
