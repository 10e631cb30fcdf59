#include "ui/panels/copy_notice.h"

#include <QAccessible>
#include <QLabel>
#include <QTimer>

namespace ui {
namespace {

constexpr const char* kName = "copyNotice";

int linesOf(const QString& text) {
    if (text.isEmpty()) return 0;
    int lines = static_cast<int>(text.count(QLatin1Char('\n')));
    if (!text.endsWith(QLatin1Char('\n'))) ++lines;  // a last line without its line end
    return lines;
}

}  // namespace

QString copyNoticeText(const QString& copied) {
    const int lines = linesOf(copied);
    if (lines == 0) return QStringLiteral("面板为空");
    return QStringLiteral("已复制 %1 行").arg(lines);
}

QWidget* copyNoticeOf(QWidget* window) {
    return window != nullptr ? window->findChild<QLabel*>(QLatin1String(kName), Qt::FindDirectChildrenOnly) : nullptr;
}

void showCopyNotice(QWidget* button, const QString& copied) {
    QWidget* window = button->window();
    auto* notice = static_cast<QLabel*>(copyNoticeOf(window));
    if (notice == nullptr) {
        notice = new QLabel(window);
        notice->setObjectName(QLatin1String(kName));
        notice->setAutoFillBackground(true);
        notice->setBackgroundRole(QPalette::ToolTipBase);
        notice->setForegroundRole(QPalette::ToolTipText);
        notice->setFrameShape(QFrame::Box);
        notice->setMargin(3);
        notice->setAccessibleName(QStringLiteral("复制结果"));
        auto* timer = new QTimer(notice);
        timer->setObjectName(QStringLiteral("hide"));
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, notice, &QWidget::hide);
    }
    notice->setText(copyNoticeText(copied));
    notice->adjustSize();
    // Below the button, kept inside the window; above it when there is no room below.
    const QRect at(button->mapTo(window, QPoint(0, 0)), button->size());
    int x = std::clamp(at.center().x() - notice->width() / 2, 0, std::max(0, window->width() - notice->width()));
    int y = at.bottom() + 4;
    if (y + notice->height() > window->height()) y = std::max(0, at.top() - notice->height() - 4);
    notice->move(x, y);
    notice->show();
    notice->raise();
    QAccessibleEvent alert(notice, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    notice->findChild<QTimer*>(QStringLiteral("hide"))->start(kCopyNoticeMilliseconds);
}

}  // namespace ui
