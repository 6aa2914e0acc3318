// SPDX-License-Identifier: GPL-2.0-or-later
// Stand-in for the access-control helper library.
#ifndef RYXHELPER_H
#define RYXHELPER_H

class MICDetect
{
public:
    static bool isCurrentProcessHasMaxMIC();
};

#endif
