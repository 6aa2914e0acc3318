// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDSERVER_H
#define COMMANDSERVER_H

#include <QCommandLineParser>
#include <QMap>
#include <QObject>

class MainWindow;

/**
 * Turns a command line, the panel's own or one forwarded by a later start,
 * into actions on the window: theme, placement, visibility, then the query.
 */
class CommandServer : public QObject
{
    Q_OBJECT
public:
    explicit CommandServer(MainWindow *window, QObject *parent = nullptr);

    /// Whether the arguments ask for help or the version, which need no window.
    bool asksOnlyForText(const QStringList &arguments);
    void checkArguments(const QStringList &arguments);
    void processArguments(const QStringList &arguments);
    void processRemoteArguments(const QStringList &arguments);

    /// The desktop's menu colours, theme references resolved.
    static QMap<QString, QString> readThemeColors();

public Q_SLOTS:
    void processMessage(const QString &message);

private:
    void execute();
    void printParseError();
    void printHelp();
    bool parse(const QStringList &arguments);
    int intValue(const QString &name) const;

    QCommandLineParser m_parser;
    MainWindow *m_window;
};

#endif
