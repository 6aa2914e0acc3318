// SPDX-License-Identifier: GPL-2.0-or-later
// Stand-in for the desktop's integration library: theme colour arithmetic.
// Colours are "#rrggbb" names in UTF-8.
#ifndef NYDINTEGRATION_H
#define NYDINTEGRATION_H

#include <string>

std::string textColorFor(const std::string &color);
std::string CreateShadeColor(const std::string &color, double factor);
std::string GetPrimaryDarkColor(const std::string &color, bool flag);

#endif
