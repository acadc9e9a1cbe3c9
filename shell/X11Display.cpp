#include "X11Display.h"

#include <QByteArrayList>
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

// The value of one of Qt's own options (-platform, -display; Qt takes "--" as well).
QByteArray qtOption(int argc, char** argv, const char* name)
{
    QByteArray value;
    for (int i = 1; i + 1 < argc; ++i) {
        QByteArray arg(argv[i]);
        if (arg.startsWith("--"))
            arg.remove(0, 1);
        if (arg == QByteArray("-") + name)
            value = argv[++i];
    }
    return value;
}

} // namespace

bool X11Display::chosenByQt(int argc, char** argv)
{
    QByteArray platform = qtOption(argc, argv, "platform");
    if (platform.isEmpty())
        platform = qgetenv("QT_QPA_PLATFORM");
    // "xcb:options" or a list tried in order, "wayland;xcb".
    platform = platform.split(';').constFirst().split(':').constFirst().trimmed();
    if (platform.isEmpty())
        return qgetenv("XDG_SESSION_TYPE") != "wayland" && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    return platform == "xcb";
}

QByteArray X11Display::displayName(int argc, char** argv)
{
    return qtOption(argc, argv, "display");
}

bool X11Display::reachable(const char* displayName)
{
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    const bool connected = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return connected;
}

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
