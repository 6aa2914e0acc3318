// SPDX-License-Identifier: GPL-2.0-or-later
#include "programerror.h"

#include <QCoreApplication>

#include <cstdio>

int failWith(const QString &message)
{
    const QByteArray line = QCoreApplication::applicationName().toUtf8() + ": " + message.simplified().toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return 1;
}
