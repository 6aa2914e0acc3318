// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-props on the test display: its dialog appears, named after the file,
// and the program ends when the dialog is closed.
#include "fakedesktop.h"

#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace
{
template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, qstrlen(name), name), nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString windowTitle(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, xcb_get_property(connection, false, window, netWmName, utf8, 0, 1024), nullptr),
                                          &std::free);
    if (!reply) {
        return QString();
    }
    return QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
}

// A mapped top-level window whose title holds the text, or XCB_WINDOW_NONE.
xcb_window_t findWindow(xcb_connection_t *connection, const QString &text)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    if (!tree) {
        return XCB_WINDOW_NONE;
    }
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr),
            &std::free);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && windowTitle(connection, children[i]).contains(text)) {
            return children[i];
        }
    }
    return XCB_WINDOW_NONE;
}

// What a window manager sends when the user closes the window.
void requestClose(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, false, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}
}

class NydPropsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void dialogShowsAndEndsTheProgram_data();
    void dialogShowsAndEndsTheProgram();
    void missingPathIsReported();

private:
    FakeDesktop m_desktop;
    xcb_connection_t *m_connection = nullptr;
    QProcess *m_props = nullptr;
};

void NydPropsTest::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(NYD_PROPS_EXECUTABLE)));
    QVERIFY(m_desktop.isValid());
    QVERIFY(!qEnvironmentVariableIsEmpty("DISPLAY"));
    m_connection = xcb_connect(nullptr, nullptr);
    QVERIFY(m_connection && !xcb_connection_has_error(m_connection));
}

void NydPropsTest::cleanupTestCase()
{
    if (m_connection) {
        xcb_disconnect(m_connection);
    }
}

void NydPropsTest::cleanup()
{
    if (m_props) {
        if (m_props->state() != QProcess::NotRunning) {
            m_props->kill();
            m_props->waitForFinished();
        }
        delete m_props;
        m_props = nullptr;
    }
}

void NydPropsTest::dialogShowsAndEndsTheProgram_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");

    QTest::newRow("file") << QStringLiteral("quarterly report.txt") << false;
    QTest::newRow("folder") << QStringLiteral("Ordner für Fotos") << true;
}

void NydPropsTest::dialogShowsAndEndsTheProgram()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);

    const QString path = QDir(m_desktop.home()).filePath(name);
    if (folder) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("figures\n") > 0);
    }

    m_props = new QProcess;
    m_props->setProcessEnvironment(m_desktop.environment());
    m_props->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_props->start(QStringLiteral(NYD_PROPS_EXECUTABLE), {QStringLiteral("-s"), path});
    QVERIFY(m_props->waitForStarted());

    xcb_window_t window = XCB_WINDOW_NONE;
    QTRY_VERIFY_WITH_TIMEOUT((window = findWindow(m_connection, name)) != XCB_WINDOW_NONE, 20000);
    QCOMPARE(m_props->state(), QProcess::Running);

    requestClose(m_connection, window);
    QVERIFY(m_props->waitForFinished(20000));
    QCOMPARE(m_props->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_props->exitCode(), 0);
}

void NydPropsTest::missingPathIsReported()
{
    const QString missing = QDir(m_desktop.home()).filePath(QStringLiteral("never there.txt"));
    QProcess props;
    props.setProcessEnvironment(m_desktop.environment());
    props.start(QStringLiteral(NYD_PROPS_EXECUTABLE), {QStringLiteral("-s"), missing});
    QVERIFY(props.waitForFinished(20000));
    QVERIFY(props.exitCode() != 0);
    const QByteArray message = props.readAllStandardError().trimmed();
    QCOMPARE(message, QByteArray("nyd-props: ") + QFile::encodeName(missing) + " does not exist");
    QVERIFY(findWindow(m_connection, QStringLiteral("never there.txt")) == XCB_WINDOW_NONE);
}

QTEST_GUILESS_MAIN(NydPropsTest)

#include "nydpropstest.moc"
