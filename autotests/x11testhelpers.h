// SPDX-License-Identifier: GPL-2.0-or-later
// Looks at the test display from outside the panel, as a window manager would.
#ifndef X11TESTHELPERS_H
#define X11TESTHELPERS_H

#include <QByteArray>
#include <QRect>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace X11TestHelpers
{
struct Connection {
    Connection()
        : connection(xcb_connect(nullptr, nullptr))
    {
        screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    }
    ~Connection()
    {
        xcb_disconnect(connection);
    }
    xcb_connection_t *connection;
    xcb_screen_t *screen;
};

inline QByteArray windowName(xcb_connection_t *c, xcb_window_t window)
{
    auto cookie = xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply) {
        return {};
    }
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
}

struct WindowState {
    bool found = false;
    bool viewable = false;
    QRect geometry;
};

/// The first top-level window with this title, its map state and geometry.
inline WindowState topLevelWindow(const QByteArray &title)
{
    Connection x;
    WindowState state;
    auto treeCookie = xcb_query_tree(x.connection, x.screen->root);
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(xcb_query_tree_reply(x.connection, treeCookie, nullptr), &std::free);
    if (!tree) {
        return state;
    }
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i) {
        if (windowName(x.connection, children[i]) != title) {
            continue;
        }
        auto attributes = xcb_get_window_attributes_reply(x.connection, xcb_get_window_attributes(x.connection, children[i]), nullptr);
        auto geometry = xcb_get_geometry_reply(x.connection, xcb_get_geometry(x.connection, children[i]), nullptr);
        state.found = true;
        state.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        if (geometry) {
            state.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
        }
        std::free(attributes);
        std::free(geometry);
        if (state.viewable) {
            break;
        }
    }
    return state;
}

inline bool isPanelViewable()
{
    return topLevelWindow(QByteArrayLiteral("Nyd search panel")).viewable;
}
}

#endif
