// qcx_closewindow TITLE TIMEOUT-MS
//
// Asks the top-level X11 window whose title is TITLE to close, the way a
// window manager's close button does (WM_DELETE_WINDOW), so a program under
// test goes through its normal close. A window can be mapped before its
// program listens to the request, so the request is repeated until the window
// is gone. Exits 0 once the window appeared and went away within TIMEOUT-MS,
// 1 otherwise.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

static xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return a;
}

static std::string title(xcb_connection_t *c, xcb_window_t w, xcb_atom_t netWmName, xcb_atom_t utf8)
{
    for (const auto &[property, type] : {std::pair{netWmName, utf8}, std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_STRING)}}) {
        xcb_get_property_reply_t *reply =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 1024), nullptr);
        if (!reply)
            continue;
        const std::string value(static_cast<const char *>(xcb_get_property_value(reply)),
                                size_t(xcb_get_property_value_length(reply)));
        std::free(reply);
        if (!value.empty())
            return value;
    }
    return {};
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qcx_closewindow TITLE TIMEOUT-MS\n");
        return 2;
    }
    const std::string wanted = argv[1];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(argv[2]));

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "qcx_closewindow: cannot connect to the X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = atom(c, "WM_DELETE_WINDOW");
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");

    bool seen = false;
    while (std::chrono::steady_clock::now() < deadline) {
        bool present = false;
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        const xcb_window_t *children = tree ? xcb_query_tree_children(tree) : nullptr;
        const int count = tree ? xcb_query_tree_children_length(tree) : 0;
        for (int i = 0; i < count; ++i) {
            if (title(c, children[i], netWmName, utf8) != wanted)
                continue;
            xcb_get_window_attributes_reply_t *attrs =
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
            const bool mapped = attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attrs);
            if (!mapped)
                continue;
            xcb_client_message_event_t event{};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = children[i];
            event.type = protocols;
            event.data.data32[0] = deleteWindow;
            event.data.data32[1] = XCB_CURRENT_TIME;
            xcb_send_event(c, 0, children[i], XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
            xcb_flush(c);
            present = seen = true;
        }
        std::free(tree);
        if (seen && !present) {
            xcb_disconnect(c);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(seen ? 500 : 100));
    }
    xcb_disconnect(c);
    std::fprintf(stderr, seen ? "qcx_closewindow: the window titled \"%s\" did not close\n"
                              : "qcx_closewindow: no window titled \"%s\"\n",
                 wanted.c_str());
    return 1;
}
