#include "ui/session_keeper.h"

#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>

#include "forms/windows.h"
#include "storage/session.h"
#include "ui/controls.h"
#include "ui/live_window.h"
#include "ui/main_menu.h"
#include "ui/panel.h"
#include "ui/panel_files.h"
#include "ui/runtime.h"
#include "ui/text.h"
#include "ui/unit_json.h"

namespace ui {
namespace {

constexpr const char* kFormat = "quorvel-editor-session";
constexpr int kVersion = 1;
constexpr int kSliceMs = 4;  // reading a large panel for the autosave, per turn of the event loop

bool editable(const forms::Unit& unit) { return unit.kind == forms::Kind::EditBox && !unit.readOnly && !unit.disabled; }

// A window place that no screen shows any more (a monitor unplugged) is not restored.
bool onSomeScreen(const QRect& rect) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(rect)) return true;
    return false;
}

}  // namespace

SessionKeeper::SessionKeeper(Runtime& runtime, QString path, int delayMs, QObject* parent)
    : QObject(parent), runtime_(runtime), path_(std::move(path)) {
    delay_.setSingleShot(true);
    delay_.setInterval(delayMs);
    connect(&delay_, &QTimer::timeout, this, &SessionKeeper::startSave);
    writer_.setMaxThreadCount(1);
    for (LiveWindow* live : runtime.windows()) watch(live);
    connect(&runtime, &Runtime::windowOpened, this, &SessionKeeper::watch);
    connect(&runtime, &Runtime::windowsChanged, this, &SessionKeeper::changed);
    connect(&runtime, &Runtime::mainWindowClosing, this, &SessionKeeper::saveNow);
    if (MainMenu* menu = MainMenu::of(runtime.window(forms::kMainWindowId)))
        connect(&menu->files(), &PanelFiles::fileChanged, this, &SessionKeeper::changed);
}

SessionKeeper::~SessionKeeper() { writer_.waitForDone(); }

void SessionKeeper::watch(LiveWindow* window) { connect(window, &LiveWindow::changed, this, &SessionKeeper::changed); }

void SessionKeeper::changed() {
    if (restoring_ || runtime_.mainWindowClosed()) return;
    delay_.start();
}

QJsonObject SessionState::toJson() const {
    QJsonArray list;
    for (const Window& window : windows) {
        QJsonObject texts;
        for (const auto& [name, text] : window.texts) texts.insert(name, text);
        QJsonObject selections;
        for (const auto& [name, index] : window.selections) selections.insert(name, index);
        QJsonObject object{{"id", window.id},
                           {"x", window.place.x()},
                           {"y", window.place.y()},
                           {"width", window.place.width()},
                           {"height", window.place.height()},
                           {"texts", texts},
                           {"selections", selections}};
        if (window.page >= 0) object.insert(QStringLiteral("page"), window.page);
        list.append(object);
    }
    return {{"format", QLatin1String(kFormat)}, {"version", kVersion}, {"windows", list}, {"files", files}};
}

// Only shared copies of the texts: turning them into JSON copies every character, which is
// left to the writer's thread.
SessionState SessionKeeper::state() {
    SessionState state;
    for (LiveWindow* live : runtime_.windows()) {
        const forms::Window& form = live->form();
        SessionState::Window window;
        window.id = hexId(form.id);
        window.place = QRect(live->pos(), live->size());
        if (PageControl* pages = live->pageControl()) window.page = pages->currentIndex();
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            const forms::Unit& unit = form.units[i];
            QWidget* widget = live->builtControl(static_cast<int>(i));
            if (widget == nullptr) continue;  // a page never shown holds the form's values
            const QString name = fromUtf8(unit.name);
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                if (combo->currentIndex() != -1) window.selections.append({name, combo->currentIndex()});
            } else if (auto* panel = qobject_cast<QPlainTextEdit*>(widget); panel != nullptr && editable(unit)) {
                auto cached = panelText_.find(panel);
                if (cached == panelText_.end()) {
                    watchPanel(panel);
                    cached = panelText_.insert(panel, panelLfText(panel));
                }
                if (!cached->isEmpty() || !unit.caption.empty()) {
                    if (*cached != toLf(fromUtf8(unit.caption))) window.texts.append({name, *cached});
                }
            } else if (auto* line = qobject_cast<QLineEdit*>(widget); line != nullptr && editable(unit)) {
                if (line->text() != fromUtf8(unit.caption)) window.texts.append({name, line->text()});
            }
        }
        state.windows.append(window);
    }
    // The panels' files, with what they looked like, so that a save after the restart still
    // notices a change on disk.
    LiveWindow* main = runtime_.window(forms::kMainWindowId);
    if (MainMenu* menu = MainMenu::of(main)) {
        for (QPlainTextEdit* panel : {menu->configurationPanel(), menu->commandPanel()}) {
            const PanelFile file = menu->files().file(panel);
            if (file.path.isEmpty()) continue;
            const int index = main->unitIndex(panel == menu->commandPanel() ? "编辑框1" : "编辑框20");
            state.files.insert(fromUtf8(main->form().units[static_cast<std::size_t>(index)].name),
                               QJsonObject{{"path", file.path},
                                           {"encoding", storage::encodingName(file.format.encoding)},
                                           {"bom", file.format.bom},
                                           {"lineEnd", file.format.lineEnd == storage::LineEnd::Lf ? "LF" : "CRLF"},
                                           {"exists", file.stamp.exists},
                                           {"size", file.stamp.size},
                                           {"modified", file.stamp.modified.toMSecsSinceEpoch()},
                                           {"hash", QString::fromLatin1(file.stamp.hash.toHex())},
                                           {"lostBytes", menu->files().lostBytes(panel)}});
        }
    }
    return state;
}

QJsonObject SessionKeeper::snapshot() { return state().toJson(); }

QString SessionKeeper::restore() {
    const storage::LoadedSession loaded = storage::loadSession(path_);
    if (loaded.source == storage::SessionSource::None) return loaded.warning;
    if (loaded.session.value(QStringLiteral("format")).toString() != QLatin1String(kFormat))
        return QStringLiteral("会话文件不是本编辑器的会话，没有恢复：%1").arg(path_);
    restoring_ = true;
    for (const QJsonValue value : loaded.session.value(QStringLiteral("windows")).toArray()) {
        const QJsonObject saved = value.toObject();
        bool hex = false;
        const uint id = saved.value(QStringLiteral("id")).toString().mid(2).toUInt(&hex, 16);
        if (!hex || forms::findWindow(id) == nullptr) continue;
        LiveWindow* live = runtime_.open(id);
        if (live == nullptr) continue;
        const QRect place(saved.value(QStringLiteral("x")).toInt(), saved.value(QStringLiteral("y")).toInt(),
                          saved.value(QStringLiteral("width")).toInt(), saved.value(QStringLiteral("height")).toInt());
        if (place.width() > 0 && place.height() > 0 && onSomeScreen(place))
            live->placeAt(place.topLeft(), place.size().expandedTo(live->minimumSize()));
        if (PageControl* pages = live->pageControl()) {
            const int page = saved.value(QStringLiteral("page")).toInt(0);
            if (page >= 0 && page < pages->count()) pages->setCurrentIndex(page);
        }
        const QJsonObject texts = saved.value(QStringLiteral("texts")).toObject();
        for (auto it = texts.begin(); it != texts.end(); ++it) {
            const int index = live->unitIndex(toUtf8(it.key()));
            if (index < 0 || !editable(live->form().units[static_cast<std::size_t>(index)])) continue;
            QWidget* widget = live->control(index);
            if (auto* panel = qobject_cast<QPlainTextEdit*>(widget))
                replacePanelText(panel, it.value().toString());
            else
                setEditText(widget, it.value().toString());
        }
        const QJsonObject selections = saved.value(QStringLiteral("selections")).toObject();
        for (auto it = selections.begin(); it != selections.end(); ++it) {
            auto* combo = qobject_cast<QComboBox*>(live->controlByName(toUtf8(it.key())));
            const int index = it.value().toInt(-1);
            if (combo != nullptr && index >= -1 && index < combo->count()) combo->setCurrentIndex(index);
        }
    }
    LiveWindow* main = runtime_.window(forms::kMainWindowId);
    if (MainMenu* menu = MainMenu::of(main)) {
        const QJsonObject files = loaded.session.value(QStringLiteral("files")).toObject();
        for (QPlainTextEdit* panel : {menu->configurationPanel(), menu->commandPanel()}) {
            const QJsonObject saved =
                files.value(panel == menu->commandPanel() ? QStringLiteral("编辑框1") : QStringLiteral("编辑框20"))
                    .toObject();
            if (saved.value(QStringLiteral("path")).toString().isEmpty()) continue;
            PanelFile file;
            file.path = saved.value(QStringLiteral("path")).toString();
            file.format.encoding = saved.value(QStringLiteral("encoding")).toString() == QLatin1String("GBK")
                                       ? storage::Encoding::Gbk
                                       : storage::Encoding::Utf8;
            file.format.bom = saved.value(QStringLiteral("bom")).toBool();
            file.format.lineEnd = saved.value(QStringLiteral("lineEnd")).toString() == QLatin1String("LF")
                                      ? storage::LineEnd::Lf
                                      : storage::LineEnd::CrLf;
            file.stamp.exists = saved.value(QStringLiteral("exists")).toBool();
            file.stamp.size = saved.value(QStringLiteral("size")).toInteger();
            file.stamp.modified = QDateTime::fromMSecsSinceEpoch(saved.value(QStringLiteral("modified")).toInteger());
            file.stamp.hash = QByteArray::fromHex(saved.value(QStringLiteral("hash")).toString().toLatin1());
            menu->files().setFile(panel, file, saved.value(QStringLiteral("lostBytes")).toBool());
        }
    }
    if (main != nullptr) main->raise();
    restoring_ = false;
    return loaded.warning;
}

void SessionKeeper::watchPanel(QPlainTextEdit* panel) {
    if (watched_.contains(panel)) return;
    watched_.insert(panel);
    connect(panel->document(), &QTextDocument::contentsChanged, this, [this, panel] {
        panelText_.remove(panel);
        ++edits_;
    });
    connect(panel, &QObject::destroyed, this, [this, panel] {
        panelText_.remove(panel);
        watched_.remove(panel);
        if (reading_.panel == panel) reading_ = {};
        ++edits_;
    });
}

// The first editable panel whose text is not read yet, or nullptr.
QPlainTextEdit* SessionKeeper::unreadPanel() const {
    for (LiveWindow* live : runtime_.windows()) {
        const forms::Window& form = live->form();
        for (std::size_t i = 0; i < form.units.size(); ++i) {
            auto* panel = qobject_cast<QPlainTextEdit*>(live->builtControl(static_cast<int>(i)));
            if (panel != nullptr && editable(form.units[i]) && !panelText_.contains(panel)) return panel;
        }
    }
    return nullptr;
}

// Reads the panels that changed a slice at a time, so that a large panel never holds the
// event loop: a few milliseconds of reading, then the loop's turn. An edit during the read
// starts that panel over. Once every panel is read, the session is taken and written.
void SessionKeeper::readSlice() {
    QElapsedTimer slice;
    slice.start();
    const auto measured = qScopeGuard(
        [&] { longestStepMs_ = std::max(longestStepMs_, static_cast<double>(slice.nsecsElapsed()) / 1e6); });
    while (slice.elapsed() < kSliceMs) {
        if (reading_.panel == nullptr || reading_.edits != edits_) {
            QPlainTextEdit* panel = unreadPanel();
            if (panel == nullptr) return writeSnapshot();
            watchPanel(panel);
            reading_ = {panel, panel->document()->firstBlock(), QString(), edits_};
            reading_.text.reserve(panel->document()->characterCount());
        }
        readPanelLines(reading_.block, reading_.text, slice, kSliceMs);
        if (!reading_.block.isValid()) {
            panelText_.insert(reading_.panel, reading_.text);
            reading_ = {};
        }
    }
    QTimer::singleShot(0, this, &SessionKeeper::readSlice);
}

void SessionKeeper::startSave() {
    if (writing_) {
        again_ = true;
        return;
    }
    writing_ = true;
    readSlice();
}

void SessionKeeper::writeSnapshot() {
    QElapsedTimer taking;
    taking.start();
    SessionState session = state();
    longestStepMs_ = std::max(longestStepMs_, static_cast<double>(taking.nsecsElapsed()) / 1e6);
    writer_.start([this, session = std::move(session), path = path_] {
        storage::saveSession(path, session.toJson());
        QMetaObject::invokeMethod(this, &SessionKeeper::finished, Qt::QueuedConnection);
    });
}

void SessionKeeper::finished() {
    writing_ = false;
    ++saves_;
    emit saved();
    if (std::exchange(again_, false)) startSave();
}

void SessionKeeper::saveNow() {
    delay_.stop();
    reading_ = {};
    writer_.waitForDone();
    storage::saveSession(path_, snapshot());
    ++saves_;
}

}  // namespace ui
