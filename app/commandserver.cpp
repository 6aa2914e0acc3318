// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandserver.h"

#include "deriveshades.h"
#include "mainwindow.h"
#include "nydintegration.h"
#include "protocol.h"
#include "themecolors.h"
#include "themefiles.h"
#include "userprobes.h"

#include <QApplication>
#include <QStyle>

#include <cstdio>
#include <unistd.h>

namespace
{
[[noreturn]] void endProcess()
{
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}

void writeToStandardOutput(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}
}

CommandServer::CommandServer(MainWindow *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions(Protocol::commandLineOptions());
}

bool CommandServer::parse(const QStringList &arguments)
{
    if (m_parser.parse(arguments)) {
        return true;
    }
    printParseError();
    return false;
}

bool CommandServer::asksOnlyForText(const QStringList &arguments)
{
    m_parser.parse(arguments);
    return m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all")) || m_parser.isSet(QStringLiteral("version"));
}

void CommandServer::checkArguments(const QStringList &arguments)
{
    parse(arguments);
    if (m_parser.isSet(QStringLiteral("help"))) {
        printHelp();
        endProcess();
    }
    if (m_parser.isSet(QStringLiteral("help-all"))) {
        // Qt lists its own options only from process(), which then ends the process.
        m_parser.process({arguments.value(0), QStringLiteral("--help-all")});
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        writeToStandardOutput(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        endProcess();
    }
}

void CommandServer::processArguments(const QStringList &arguments)
{
    checkArguments(arguments);
    if (m_parser.isSet(QStringLiteral("quit"))) {
        endProcess();
    }
    execute();
}

void CommandServer::processMessage(const QString &message)
{
    QStringList arguments;
    // Only our own lossless form is accepted: a message that does not decode
    // came from something that is not a panel start.
    if (!Protocol::decodeArguments(message, &arguments) || arguments.isEmpty()) {
        return;
    }
    processRemoteArguments(arguments);
}

void CommandServer::processRemoteArguments(const QStringList &arguments)
{
    parse(arguments);
    if (m_parser.isSet(QStringLiteral("quit"))) {
        QCoreApplication::quit();
        return;
    }
    execute();
}

int CommandServer::intValue(const QString &name) const
{
    return m_parser.value(name).toInt(nullptr, 10);
}

void CommandServer::execute()
{
    if (!m_window) {
        return;
    }
    const QString monitor = m_parser.value(QStringLiteral("monitor"));
    const int position = intValue(QStringLiteral("position"));
    const int size = intValue(QStringLiteral("size"));
    // Far beyond any screen, yet safe to double.
    constexpr int MaxExtent = 1 << 20;
    const int width = qBound(0, intValue(QStringLiteral("width")), MaxExtent);
    const int height = qBound(0, intValue(QStringLiteral("height")), MaxExtent);

    m_window->applyTheme(readThemeColors());
    m_window->place(monitor, position, size, width * 2, height);

    if (m_parser.isSet(QStringLiteral("hide"))) {
        m_window->hide();
    } else if (m_parser.isSet(QStringLiteral("toggle"))) {
        if (m_window->isHidden()) {
            m_window->show();
        } else {
            m_window->hide();
        }
    } else if (m_window->isHidden() && !m_parser.isSet(QStringLiteral("hidden"))) {
        m_window->show();
    }

    QGuiApplication::sync();

    if (m_parser.isSet(QStringLiteral("query"))) {
        m_window->prependQuery(m_parser.value(QStringLiteral("query")));
    } else {
        m_window->clearQuery();
    }
}

QMap<QString, QString> CommandServer::readThemeColors()
{
    static const ThemeFiles files = locateThemeFiles();
    const QString missing = QStringLiteral("true");

    QMap<QString, QString> colors;
    const QMap<QString, QString> theme = readThemeVariables(files.themeFile);
    for (const QString &key :
         {QStringLiteral("MenuActiveColor"), QStringLiteral("MenuColor"), QStringLiteral("MenuStringActiveColor"), QStringLiteral("MenuStringColor")}) {
        colors.insert(key, theme.value(key, missing));
    }

    QString primary = readThemeVariables(files.paletteFile).value(QStringLiteral("PrimaryColor"), missing);
    if (primary == QLatin1String("qt")) {
        primary = QApplication::style()->standardPalette().color(QPalette::Window).name();
    } else if (hasMaxMicLevel()) {
        primary = ThemeColors::instance()->privilegedPrimaryColor();
    }

    std::string light;
    std::string dark;
    deriveShades(primary.toStdString(), &light, &dark);
    const QMap<QString, QString> derived{
        {QStringLiteral("PrimaryLightColor"), QString::fromStdString(light)},
        {QStringLiteral("PrimaryDarkColor"), QString::fromStdString(dark)},
        {QStringLiteral("PrimaryLightTextColor"), QString::fromStdString(textColorFor(light))},
        {QStringLiteral("PrimaryDarkTextColor"), QString::fromStdString(textColorFor(dark))},
    };
    for (QString &value : colors) {
        value = derived.value(value, value);
    }
    return colors;
}

void CommandServer::printParseError()
{
    writeToStandardOutput(m_parser.errorText() + QLatin1Char('\n'));
}

void CommandServer::printHelp()
{
    writeToStandardOutput(m_parser.helpText());
}
