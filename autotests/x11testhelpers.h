// SPDX-License-Identifier: GPL-2.0-or-later
// Looks at the test display from outside the panel, as a window manager would.
#ifndef X11TESTHELPERS_H
#define X11TESTHELPERS_H

#include <QByteArray>
#include <QRect>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace X11TestHelpers
{
struct Connection {
    ~Connection()
    {
        xcb_disconnect(connection);
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
};

/// Where the panel's top-level window is while it is viewable; null otherwise.
inline QRect panelGeometry()
{
    const auto owned = [](auto *reply) {
        return std::unique_ptr<std::remove_pointer_t<decltype(reply)>, decltype(&std::free)>(reply, &std::free);
    };
    Connection x;
    xcb_connection_t *c = x.connection;
    const auto tree = owned(xcb_query_tree_reply(c, xcb_query_tree(c, x.screen->root), nullptr));
    for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t window = xcb_query_tree_children(tree.get())[i];
        const auto name = owned(xcb_get_property_reply(c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr));
        const auto attributes = owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        const auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
        if (name && attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE
            && QByteArray(static_cast<const char *>(xcb_get_property_value(name.get())), xcb_get_property_value_length(name.get())) == "Nyd search panel") {
            return QRect(geometry->x, geometry->y, geometry->width, geometry->height);
        }
    }
    return QRect();
}
}

#endif
