// SPDX-License-Identifier: GPL-2.0-or-later
#include "ryxhelper.h"
#include "ryxhelper_p.h"

#include <QByteArray>
#include <QtGlobal>

namespace
{
int s_maxMicOverride = -1;
}

void setMaxMicOverrideForTesting(int state)
{
    s_maxMicOverride = state;
}

bool MICDetect::isCurrentProcessHasMaxMIC()
{
    if (s_maxMicOverride >= 0) {
        return s_maxMicOverride == 1;
    }
    // Linux has no mandatory integrity levels; only tests ever claim the top one.
    return qgetenv("NYD_TEST_MAX_MIC") == QByteArrayLiteral("1");
}
