// SPDX-License-Identifier: GPL-2.0-or-later
// The floor of a first start: a plain QWidget shown, nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    // As in the panel, which draws nothing with OpenGL: loading it would be most of both starts.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication application(argc, argv);
    QWidget widget;
    widget.setWindowTitle(QStringLiteral("Nyd bare widget"));
    // The panel's default size, so that both fill the same area.
    widget.resize(404, 532);
    widget.show();
    return QApplication::exec();
}
