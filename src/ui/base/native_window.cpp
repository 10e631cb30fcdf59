#include "ui/base/native_window.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace ui {
namespace {

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name, std::uint16_t length) {
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr), &std::free);
    return reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

}  // namespace

void setNativeTitle(QWidget* window) {
    if (window == nullptr || !window->testAttribute(Qt::WA_WState_Created)) return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) return;
    xcb_connection_t* connection = x11->connection();
    const QByteArray title = window->windowTitle().toUtf8();
    const auto id = static_cast<xcb_window_t>(window->winId());
    static constexpr char kNetName[] = "_NET_WM_NAME";
    static constexpr char kUtf8[] = "UTF8_STRING";
    const xcb_atom_t netName = atomNamed(connection, kNetName, sizeof kNetName - 1);
    const xcb_atom_t utf8 = atomNamed(connection, kUtf8, sizeof kUtf8 - 1);
    const auto length = static_cast<std::uint32_t>(title.size());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, utf8, 8, length, title.constData());
    if (netName != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8, length, title.constData());
    xcb_flush(connection);
}

bool hasNativePlaces() { return x11Connection() != nullptr; }

std::optional<NativePlace> nativePlace(const QWidget* window) {
    xcb_connection_t* connection = x11Connection();
    if (window == nullptr || connection == nullptr || !window->testAttribute(Qt::WA_WState_Created)) return {};
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr) return {};
    const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> at(
        xcb_translate_coordinates_reply(connection, xcb_translate_coordinates(connection, id, screen->root, 0, 0),
                                        nullptr),
        &std::free);
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr), &std::free);
    if (at == nullptr || geometry == nullptr) return {};
    // _NET_FRAME_EXTENTS: left, right, top, bottom, set by the window manager once it frames.
    static constexpr char kExtents[] = "_NET_FRAME_EXTENTS";
    const xcb_atom_t extents = atomNamed(connection, kExtents, sizeof kExtents - 1);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, id, extents, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr),
        &std::free);
    if (property == nullptr || xcb_get_property_value_length(property.get()) != 16) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
    // The X server counts device pixels; Qt's logical pixels are those over the scale factor,
    // counted from the screen's own origin (which Qt does not scale). The content is rounded to
    // the nearest logical pixel; the frame's outer edges outwards, so that a frame said to be on
    // the screen has its last device pixel on it too.
    const qreal ratio = window->devicePixelRatioF() > 0 ? window->devicePixelRatioF() : 1.0;
    const QPoint origin = window->screen() != nullptr ? window->screen()->geometry().topLeft() : QPoint();
    const auto scaled = [ratio](qint64 length, double (*round)(double)) {
        return static_cast<int>(round(static_cast<double>(length) / ratio));
    };
    const auto nearest = [](double value) { return std::round(value); };
    const qint64 left = at->dst_x - origin.x();
    const qint64 top = at->dst_y - origin.y();
    const QRect client(origin.x() + scaled(left, nearest), origin.y() + scaled(top, nearest),
                       scaled(geometry->width, nearest), scaled(geometry->height, nearest));
    const QRect outer(
        QPoint(origin.x() + scaled(left - values[0], std::floor), origin.y() + scaled(top - values[2], std::floor)),
        QPoint(origin.x() + scaled(left + geometry->width + values[1], std::ceil) - 1,
               origin.y() + scaled(top + geometry->height + values[3], std::ceil) - 1));
    NativePlace place;
    place.client = client;
    place.frame = QMargins(std::max(0, client.left() - outer.left()), std::max(0, client.top() - outer.top()),
                           std::max(0, outer.right() - client.right()), std::max(0, outer.bottom() - client.bottom()));
    return place;
}

}  // namespace ui
