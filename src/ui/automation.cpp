#include "ui/automation.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTabBar>
#include <cstdio>
#include <unistd.h>

#include "forms/windows.h"
#include "ui/controls.h"
#include "ui/live_window.h"
#include "ui/runtime.h"
#include "ui/text.h"

namespace ui {
namespace {

using forms::Kind;

// A request that cannot be run; its message becomes the reply's "error".
struct Refused {
    QString message;
};

QString hexId(std::uint32_t id) {
    return QStringLiteral("0x%1").arg(id, 8, 16, QLatin1Char('0')).toUpper().replace(
        QStringLiteral("0X"), QStringLiteral("0x"));
}

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::Window: return QStringLiteral("window");
    case Kind::EditBox: return QStringLiteral("EditBox");
    case Kind::PicBox: return QStringLiteral("PicBox");
    case Kind::GroupBox: return QStringLiteral("GroupBox");
    case Kind::Label: return QStringLiteral("Label");
    case Kind::Button: return QStringLiteral("Button");
    case Kind::ComboBox: return QStringLiteral("ComboBox");
    case Kind::PageControl: return QStringLiteral("PageControl");
    }
    return {};
}

std::uint32_t windowIdOf(const QJsonObject& request) {
    const QJsonValue value = request.value(QStringLiteral("window"));
    if (value.isUndefined() || value.isNull()) return forms::kMainWindowId;
    QString text = value.toString().trimmed();
    if (!value.isString() || !text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        throw Refused{QStringLiteral("\"window\" must be a hex id such as \"0x52010001\"")};
    bool ok = false;
    const std::uint32_t id = text.mid(2).toUInt(&ok, 16);
    if (!ok) throw Refused{QStringLiteral("bad window id: ") + text};
    return id;
}

LiveWindow& loadedWindow(Runtime& runtime, std::uint32_t id) {
    LiveWindow* live = runtime.window(id);
    if (live == nullptr) throw Refused{QStringLiteral("window %1 is not loaded").arg(hexId(id))};
    return *live;
}

// The control a request names, with its unit.
struct Target {
    LiveWindow* window;
    const forms::Unit* unit;
    QWidget* widget;
};

Target targetOf(Runtime& runtime, const QJsonObject& request) {
    LiveWindow& live = loadedWindow(runtime, windowIdOf(request));
    const QJsonValue name = request.value(QStringLiteral("control"));
    if (!name.isString()) throw Refused{QStringLiteral("\"control\" must be a control name")};
    const std::string utf8 = toUtf8(name.toString());
    const int index = live.unitIndex(utf8);
    if (index < 0)
        throw Refused{QStringLiteral("no control named %1 in window %2")
                          .arg(name.toString(), hexId(live.id()))};
    return {&live, &live.form().units[static_cast<std::size_t>(index)], live.control(index)};
}

void requireKind(const Target& target, Kind kind) {
    if (target.unit->kind != kind)
        throw Refused{QStringLiteral("%1 is a %2, not a %3")
                          .arg(fromUtf8(target.unit->name), kindName(target.unit->kind),
                               kindName(kind))};
}

int intField(const QJsonObject& request, const char* key) {
    const QJsonValue value = request.value(QLatin1String(key));
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()))
        throw Refused{QStringLiteral("\"%1\" must be an integer").arg(QLatin1String(key))};
    return value.toInt();
}

// The caption of a unit, read from its widget: text, caption or title.
QString captionOf(const forms::Unit& unit, QWidget* widget) {
    switch (unit.kind) {
    case Kind::EditBox: return editText(widget);
    case Kind::Label: return toCrLf(static_cast<QLabel*>(widget)->text());
    case Kind::Button: return static_cast<QAbstractButton*>(widget)->text();
    case Kind::GroupBox: return static_cast<QGroupBox*>(widget)->title();
    case Kind::ComboBox: return static_cast<QComboBox*>(widget)->currentText();
    default: return fromUtf8(unit.caption);
    }
}

// Disabled as the form defines it: a disabled multi-line text stays enabled so it can
// scroll, and carries the form's flag instead.
bool isDisabled(const QWidget* widget) {
    return !widget->isEnabled() || widget->property("formDisabled").toBool();
}

QJsonObject liveGeometry(QWidget* widget) {
    const QPoint screen = widget->mapToGlobal(QPoint(0, 0));
    return {{"x", widget->x()},
            {"y", widget->y()},
            {"width", widget->width()},
            {"height", widget->height()},
            {"screenX", screen.x()},
            {"screenY", screen.y()}};
}

QJsonObject fontOf(const QFont& font) {
    return {{"pixelSize", font.pixelSize()}, {"bold", font.bold()}};
}

QString colourOf(const forms::Unit& unit, QWidget* widget) {
    const QPalette::ColorRole role =
        unit.kind == Kind::EditBox ? QPalette::Text : QPalette::WindowText;
    return widget->palette().color(role).name();
}

QJsonObject windowUnit(const LiveWindow& live) {
    const forms::Window& form = live.form();
    return {{"id", hexId(forms::windowUnitId(form.id))},
            {"name", QStringLiteral("窗口")},
            {"kind", kindName(Kind::Window)},
            {"parent", QJsonValue::Null},
            {"page", QJsonValue::Null},
            {"left", form.rect.left},
            {"top", form.rect.top},
            {"width", form.rect.width},
            {"height", form.rect.height},
            {"caption", live.windowTitle()},
            {"items", QJsonArray()},
            {"selection", QJsonValue::Null},
            {"visible", live.isVisible()},
            {"disabled", !live.isEnabled()},
            {"multiline", false},
            {"font", fontOf(live.font())},
            {"color", live.palette().color(QPalette::WindowText).name()},
            {"click", false},
            {"live", liveGeometry(const_cast<LiveWindow*>(&live))}};
}

QJsonObject controlUnit(const LiveWindow& live, std::size_t index) {
    const forms::Unit& unit = live.form().units[index];
    QWidget* widget = live.control(static_cast<int>(index));
    QJsonArray items;
    for (std::string_view item : unit.items) items.append(fromUtf8(item));
    QJsonObject object{
        {"id", hexId(live.form().ids[index])},
        {"name", fromUtf8(unit.name)},
        {"kind", kindName(unit.kind)},
        {"parent", unit.parent.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(fromUtf8(unit.parent))},
        {"page", unit.page < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(unit.page)},
        {"left", unit.rect.left},
        {"top", unit.rect.top},
        {"width", unit.rect.width},
        {"height", unit.rect.height},
        {"caption", captionOf(unit, widget)},
        {"items", items},
        {"selection", unit.kind == Kind::ComboBox
                          ? QJsonValue(static_cast<QComboBox*>(widget)->currentIndex())
                          : QJsonValue(QJsonValue::Null)},
        {"visible", !widget->isHidden()},
        {"disabled", isDisabled(widget)},
        {"multiline", unit.multiline},
        {"font", fontOf(widget->font())},
        {"color", colourOf(unit, widget)},
        {"click", unit.click != forms::Click::None},
        {"live", liveGeometry(widget)}};
    if (unit.kind == Kind::PageControl) {
        auto* pages = static_cast<PageControl*>(widget);
        object.insert(QStringLiteral("selection"), pages->currentIndex());
        QJsonArray tabs;
        QTabBar* bar = pages->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            const QRect rect = bar->tabRect(i);
            const QPoint screen = bar->mapToGlobal(rect.topLeft());
            tabs.append(QJsonObject{{"screenX", screen.x()},
                                    {"screenY", screen.y()},
                                    {"width", rect.width()},
                                    {"height", rect.height()}});
        }
        object.insert(QStringLiteral("tabs"), tabs);
    }
    return object;
}

QJsonObject ok() { return {{"ok", true}}; }

QJsonObject dispatch(Runtime& runtime, const QJsonObject& request) {
    const QString op = request.value(QStringLiteral("op")).toString();
    if (op == QLatin1String("set")) {
        const Target target = targetOf(runtime, request);
        requireKind(target, Kind::EditBox);
        const QJsonValue text = request.value(QStringLiteral("text"));
        if (!text.isString()) throw Refused{QStringLiteral("\"text\" must be a string")};
        if (isDisabled(target.widget))
            throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is disabled")};
        // As a paste: the whole text is replaced through the widget's own input path.
        if (auto* line = qobject_cast<QLineEdit*>(target.widget)) {
            line->selectAll();
            line->insert(text.toString());
        } else if (auto* multi = qobject_cast<QPlainTextEdit*>(target.widget)) {
            multi->selectAll();
            multi->insertPlainText(text.toString());
        }
        return ok();
    }
    if (op == QLatin1String("select")) {
        const Target target = targetOf(runtime, request);
        requireKind(target, Kind::ComboBox);
        static_cast<QComboBox*>(target.widget)->setCurrentIndex(intField(request, "index"));
        return ok();
    }
    if (op == QLatin1String("click")) {
        const Target target = targetOf(runtime, request);
        requireKind(target, Kind::Button);
        auto* button = static_cast<QAbstractButton*>(target.widget);
        if (!button->isEnabled()) throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" is disabled")};
        button->click();
        return ok();
    }
    if (op == QLatin1String("text")) {
        const Target target = targetOf(runtime, request);
        if (target.unit->kind == Kind::PicBox || target.unit->kind == Kind::PageControl)
            throw Refused{fromUtf8(target.unit->name) + QStringLiteral(" has no text")};
        QJsonObject reply = ok();
        reply.insert(QStringLiteral("text"), captionOf(*target.unit, target.widget));
        return reply;
    }
    if (op == QLatin1String("selection")) {
        const Target target = targetOf(runtime, request);
        int index = 0;
        if (target.unit->kind == Kind::ComboBox)
            index = static_cast<QComboBox*>(target.widget)->currentIndex();
        else if (target.unit->kind == Kind::PageControl)
            index = static_cast<PageControl*>(target.widget)->currentIndex();
        else
            requireKind(target, Kind::ComboBox);
        QJsonObject reply = ok();
        reply.insert(QStringLiteral("index"), index);
        return reply;
    }
    if (op == QLatin1String("clipboard")) {
        QJsonObject reply = ok();
        reply.insert(QStringLiteral("text"), QGuiApplication::clipboard()->text());
        return reply;
    }
    if (op == QLatin1String("page")) {
        LiveWindow& live = loadedWindow(runtime, forms::kMainWindowId);
        PageControl* pages = live.pageControl();
        const int index = intField(request, "index");
        if (pages == nullptr || index < 0 || index >= pages->count())
            throw Refused{QStringLiteral("no page %1").arg(index)};
        pages->tabBar()->setCurrentIndex(index);
        return ok();
    }
    if (op == QLatin1String("windows")) {
        QJsonArray ids;
        for (LiveWindow* live : runtime.windows()) ids.append(hexId(live->id()));
        QJsonObject reply = ok();
        reply.insert(QStringLiteral("windows"), ids);
        return reply;
    }
    if (op == QLatin1String("close")) {
        loadedWindow(runtime, windowIdOf(request)).close();
        return ok();
    }
    if (op == QLatin1String("dump")) {
        QJsonArray windows;
        for (LiveWindow* live : runtime.windows()) {
            QJsonArray units{windowUnit(*live)};
            for (std::size_t i = 0; i < live->form().units.size(); ++i)
                units.append(controlUnit(*live, i));
            windows.append(QJsonObject{{"id", hexId(live->id())},
                                       {"title", live->windowTitle()},
                                       {"units", units}});
        }
        QJsonObject reply = ok();
        reply.insert(QStringLiteral("windows"), windows);
        return reply;
    }
    if (op.isEmpty()) throw Refused{QStringLiteral("missing \"op\"")};
    throw Refused{QStringLiteral("unknown op: ") + op};
}

}  // namespace

ScriptRunner::ScriptRunner(Runtime& runtime, int fd, QObject* parent)
    : QObject(parent), runtime_(runtime), fd_(fd) {
    if (fd < 0) return;  // requests come only through run()
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ScriptRunner::readAvailable);
}

QJsonObject ScriptRunner::run(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        return {{"ok", false}, {"error", QStringLiteral("bad JSON: ") + error.errorString()}};
    if (!document.isObject())
        return {{"ok", false}, {"error", QStringLiteral("a request must be a JSON object")}};
    try {
        return dispatch(runtime_, document.object());
    } catch (const Refused& refused) {
        return {{"ok", false}, {"error", refused.message}};
    }
}

void ScriptRunner::reply(const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void ScriptRunner::readAvailable() {
    char buffer[65536];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    const bool atEnd = count <= 0;
    if (!atEnd) pending_.append(buffer, static_cast<qsizetype>(count));
    qsizetype newline;
    while ((newline = pending_.indexOf('\n')) >= 0) {
        QByteArray line = pending_.left(newline);
        pending_.remove(0, newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        reply(run(line));
    }
    if (atEnd) {
        notifier_->setEnabled(false);
        if (!pending_.isEmpty()) reply(run(std::exchange(pending_, {})));
        emit finished();
    }
}

}  // namespace ui
