#include "ui/panels/clipboard_guard.h"

#include <xcb/xcb.h>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QWidget>

#include <cstdlib>
#include <memory>

#include "ui/panels/panel.h"

namespace ui {
namespace {

// Clipboard managers that keep the content of a clipboard whose owner has gone, without
// taking the CLIPBOARD_MANAGER selection (process names as /proc/PID/comm gives them).
constexpr const char* kKeepers[] = {"parcellite", "clipit",        "diodon",   "copyq",     "gpaste-daemon",
                                    "klipper",    "xfce4-clipman", "clipman",  "greenclip", "glipper",
                                    "xclipboard", "clipmenud",     "cliphist", "qlipper",   "gnome-shell"};

bool managerOwnsTheSelection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) return false;
    xcb_connection_t* connection = x11->connection();
    static constexpr char kName[] = "CLIPBOARD_MANAGER";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kName - 1, kName), nullptr),
        &std::free);
    if (atom == nullptr || atom->atom == XCB_ATOM_NONE) return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr),
        &std::free);
    return owner != nullptr && owner->owner != XCB_NONE;
}

bool keeperProcessRuns() {
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : processes) {
        if (pid.isEmpty() || !pid.front().isDigit()) continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly)) continue;
        const QByteArray name = comm.readAll().trimmed();
        for (const char* keeper : kKeepers)
            if (name == keeper) return true;
    }
    return false;
}

}  // namespace

bool clipboardWouldBeLost() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard() || clipboard->text().isEmpty()) return false;
    return !managerOwnsTheSelection() && !keeperProcessRuns();
}

ClipboardCloseGuard::ClipboardCloseGuard(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
}

bool ClipboardCloseGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::Close || confirmed_) return false;
    if (!clipboardWouldBeLost()) return false;
    event->ignore();
    if (!asking_) ask();
    return true;
}

void ClipboardCloseGuard::ask() {
    asking_ = true;
    // Said as the user copied it: with 一键复制, or in a field or panel (Ctrl+C, the menu).
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    const bool fromPanelCopy = data != nullptr && data->hasFormat(QString::fromLatin1(kPanelCopyFormat));
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("剪贴板的内容会丢失"),
        QStringLiteral("编辑器关闭后，%1会从剪贴板上消失：这个桌面没有运行剪贴板管理器。")
            .arg(fromPanelCopy ? QStringLiteral("用“一键复制”复制的内容") : QStringLiteral("从编辑器里复制的内容")),
        QMessageBox::NoButton, window_);
    box->setInformativeText(QStringLiteral("请先把内容粘贴到需要的地方，再关闭编辑器。"));
    QPushButton* keep = box->addButton(QStringLiteral("保持打开(&K)"), QMessageBox::RejectRole);
    box->addButton(QStringLiteral("仍然关闭(&C)"), QMessageBox::DestructiveRole);
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, keep] {
        asking_ = false;
        if (box->clickedButton() == keep || box->clickedButton() == nullptr) return;
        confirmed_ = true;
        window_->close();
    });
    box->open();
}

}  // namespace ui
