#include "ui/base/native_title.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QWidget>

#include <cstdlib>
#include <memory>

namespace ui {
namespace {

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name, std::uint16_t length) {
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr), &std::free);
    return reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
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

}  // namespace ui
