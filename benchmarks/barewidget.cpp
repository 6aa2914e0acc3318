// SPDX-License-Identifier: GPL-2.0-or-later
// The floor of a first start: a plain QWidget shown, nothing else.
//
//   nyd-bench-bare-widget                          show the window and run
//   nyd-bench-bare-widget --exit-at-main           end as soon as main() runs
//   nyd-bench-bare-widget --exit-after-application end once QApplication exists
//   nyd-bench-bare-widget --force-raster           show it with Qt::AA_ForceRasterWidgets

#include <QApplication>
#include <QWidget>

#include <cstring>

int main(int argc, char **argv)
{
    // Libraries are loaded and relocated by now; that alone is timed.
    if (argc > 1 && std::strcmp(argv[1], "--exit-at-main") == 0) {
        return 0;
    }

    if (argc > 1 && std::strcmp(argv[1], "--force-raster") == 0) {
        // Keeps the toolkit from loading OpenGL for the window.
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    }

    QApplication application(argc, argv);
    if (QCoreApplication::arguments().contains(QStringLiteral("--exit-after-application"))) {
        return 0;
    }

    QWidget widget;
    widget.setWindowTitle(QStringLiteral("Nyd bare widget"));
    // The panel's default size, so that both fill the same area.
    widget.resize(404, 532);
    widget.show();
    return QApplication::exec();
}
