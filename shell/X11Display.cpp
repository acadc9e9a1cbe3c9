#include "X11Display.h"

#include <QScopeGuard>
#include <cstdlib>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

} // namespace

std::optional<QSize> X11Display::primaryScreenSize(const char* displayName)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    // A failed connection is an object too, to be let go of the same way.
    const auto disconnect = qScopeGuard([connection] { xcb_disconnect(connection); });
    if (xcb_connection_has_error(connection))
        return std::nullopt;
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && roots.rem; ++i)
        xcb_screen_next(&roots);
    if (!roots.rem)
        return std::nullopt;
    const xcb_screen_t* screen = roots.data;

    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!randr || !randr->present)
        return std::nullopt;
    const auto version = owned(xcb_randr_query_version_reply(
        connection, xcb_randr_query_version(connection, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION), nullptr));
    if (!version || version->major_version != 1 || version->minor_version < 5)
        return std::nullopt;
    const auto monitors = owned(xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, screen->root, 1), nullptr));
    if (!monitors)
        return std::nullopt;

    std::optional<QSize> first;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const QSize size(it.data->width, it.data->height);
        if (it.data->primary)
            return size;
        if (!first)
            first = size;
    }
    // No monitor at all: Qt makes one screen of the whole root window.
    return first ? *first : QSize(screen->width_in_pixels, screen->height_in_pixels);
}
