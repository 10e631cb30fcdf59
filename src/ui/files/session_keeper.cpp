#include "ui/files/session_keeper.h"

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

#include "actions/panels.h"
#include "documents/document.h"
#include "forms/windows.h"
#include "storage/session.h"
#include "storage/session_reader.h"
#include "ui/base/background.h"
#include "ui/base/text.h"
#include "ui/files/panel_documents.h"
#include "ui/loader/controls.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_reader.h"

namespace ui {
namespace {

constexpr int kVersion = 1;
constexpr qint64 kFarthest = qint64{1} << 20;  // beyond any screen a desktop has
constexpr int kSliceMs = 4;                    // reading a large panel for the autosave, per turn of the event loop

bool isUnsaved(const QPlainTextEdit* panel) { return panel != nullptr && panel->document()->isModified(); }

bool editable(const forms::Unit& unit) { return unit.kind == forms::Kind::EditBox && !unit.readOnly && !unit.disabled; }

}  // namespace

SessionKeeper::SessionKeeper(Runtime& runtime, PanelDocuments& documents, QString path, int delayMs, QObject* parent)
    : QObject(parent), runtime_(runtime), documents_(documents), path_(std::move(path)) {
    delay_.setSingleShot(true);
    delay_.setInterval(delayMs);
    connect(&delay_, &QTimer::timeout, this, &SessionKeeper::startSave);
    writer_.setMaxThreadCount(1);
    for (LiveWindow* live : runtime.windows()) watch(live);
    connect(&runtime, &Runtime::windowOpened, this, &SessionKeeper::watch);
    connect(&runtime, &Runtime::windowsChanged, this, &SessionKeeper::changed);
    connect(&runtime, &Runtime::mainWindowClosing, this, [this] {
        saveNow();
        closed_ = true;
    });
    connect(&documents, &PanelDocuments::documentChanged, this, &SessionKeeper::changed);
}

SessionKeeper::~SessionKeeper() { writer_.waitForDone(); }

void SessionKeeper::watch(LiveWindow* window) { connect(window, &LiveWindow::changed, this, &SessionKeeper::changed); }

void SessionKeeper::changed() {
    if (restoring_ || closed_ || runtime_.mainWindowClosed()) return;
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
        if (!window.docks.isEmpty())
            object.insert(QStringLiteral("docks"), QString::fromLatin1(window.docks.toBase64()));
        list.append(object);
    }
    return {{"format", kSessionFormat}, {"version", kVersion}, {"windows", list}, {"files", files}};
}

// Only shared copies of the texts: turning them into JSON copies every character, which is
// left to the writer's thread.
SessionState SessionKeeper::state() {
    SessionState state;
    for (LiveWindow* live : runtime_.windows()) {
        const forms::Window& form = live->form();
        SessionState::Window window;
        window.id = hexId(form.id);
        // The client area, where the window's content is: what placeAt gives back exactly. (Its
        // frame's place, pos(), would put the content there at the next start, a title bar
        // higher each time.)
        window.place = live->clientPlace();
        if (PageControl* pages = live->pageControl()) window.page = pages->currentIndex();
        if (!live->docks().empty()) window.docks = live->dockState();
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
    for (const actions::PanelRow& row : actions::panels()) {
        const documents::Document document = documents_.document(row.panel);
        if (row.file == actions::FileRole::None || !document.hasFile()) continue;
        QJsonObject file{{"path", document.path},
                         {"encoding", storage::encodingName(document.format.encoding)},
                         {"bom", document.format.bom},
                         {"lineEnd", storage::lineEndName(document.format.lineEnd)},
                         {"exists", document.stamp.exists},
                         {"size", document.stamp.size},
                         {"modified", document.stamp.modified.toMSecsSinceEpoch()},
                         {"hash", QString::fromLatin1(document.stamp.hash.toHex())},
                         {"lostBytes", document.lostBytes},
                         {"quietChanges", QJsonArray::fromStringList(document.quietChanges)},
                         {"unsaved", isUnsaved(documents_.panel(row.panel))}};
        // A server's file: the profile's name (the session keeps the link, never a secret; the
        // editor connects again when the file is used).
        if (document.onServer()) file.insert(QStringLiteral("place"), document.place);
        state.files.insert(fromUtf8(row.name), file);
    }
    return state;
}

QJsonObject SessionKeeper::snapshot() { return state().toJson(); }

QString SessionKeeper::restore() {
    const storage::LoadedSession loaded = storage::loadSession(path_);
    if (loaded.source == storage::SessionSource::None) return loaded.warning;
    const std::optional<storage::SessionContent> content = storage::readSessionContent(loaded.session, kSessionFormat);
    if (!content) return QStringLiteral("会话文件不是本编辑器的会话，没有恢复：%1").arg(path_);
    QList<QRect> screens;
    for (QScreen* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
    restoring_ = true;
    for (const storage::SessionWindow& saved : content->windows) {
        if (forms::findWindow(saved.id) == nullptr) continue;
        LiveWindow* live = runtime_.open(saved.id);
        if (live == nullptr) continue;
        // The place the file names, as large as the screens there are now allow: placeAt keeps
        // it exactly where it was while a screen shows it (the window manager's frame around it),
        // or puts it on the primary screen. Numbers beyond any desktop are no place at all.
        if (saved.position && saved.size) {
            const auto [x, y] = *saved.position;
            const auto [width, height] = *saved.size;
            const auto sane = [](qint64 n) { return n >= -kFarthest && n <= kFarthest; };
            if (sane(x) && sane(y) && width > 0 && height > 0 && sane(width) && sane(height)) {
                const std::optional<QRect> fitted = storage::placeOnScreens(saved, screens, live->minimumSize());
                const QSize size = fitted ? fitted->size() : QSize(static_cast<int>(width), static_cast<int>(height));
                live->placeAt(QRect(QPoint(static_cast<int>(x), static_cast<int>(y)), size));
            }
        }
        // The docked panels where the user had them, shown or hidden; bytes that are no such
        // state change nothing.
        if (!saved.docks.isEmpty()) live->restoreDockState(saved.docks);
        if (PageControl* pages = live->pageControl(); pages != nullptr && saved.page >= 0) {
            if (saved.page < pages->count()) pages->setCurrentIndex(saved.page);
        }
        for (const auto& [name, text] : saved.texts) {
            const int index = live->unitIndex(toUtf8(name));
            if (index < 0 || !editable(live->form().units[static_cast<std::size_t>(index)])) continue;
            QWidget* widget = live->control(index);
            if (auto* panel = qobject_cast<QPlainTextEdit*>(widget))
                replacePanelText(panel, text);
            else
                setEditText(widget, text);
        }
        for (const auto& [name, index] : saved.selections) {
            auto* combo = qobject_cast<QComboBox*>(live->controlByName(toUtf8(name)));
            if (combo != nullptr && index >= -1 && index < combo->count())
                combo->setCurrentIndex(static_cast<int>(index));
        }
    }
    for (const storage::SessionDocument& saved : content->documents) {
        for (const actions::PanelRow& row : actions::panels()) {
            if (row.file == actions::FileRole::None || fromUtf8(row.name) != saved.panel) continue;
            documents_.setDocument(row.panel, documents::Document{saved.path, saved.format, saved.stamp,
                                                                  saved.lostBytes, saved.quietChanges, saved.place});
            // The text restored is the one the user had, not the file's.
            if (QPlainTextEdit* panel = documents_.panel(row.panel); panel != nullptr && saved.unsaved)
                panel->document()->setModified(true);
        }
    }
    LiveWindow* main = runtime_.window(forms::kMainWindowId);
    if (main != nullptr) main->raise();
    restoring_ = false;
    return loaded.warning;
}

void SessionKeeper::watchPanel(QPlainTextEdit* panel) {
    if (watched_.contains(panel)) return;
    watched_.insert(panel);
    connect(panel->document(), &QTextDocument::contentsChanged, this, [this, panel] { panelText_.remove(panel); });
    connect(panel, &QObject::destroyed, this, [this, panel] {
        panelText_.remove(panel);
        watched_.remove(panel);
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

// Reads the panels that changed one after the other, each a slice at a time (PanelReader), so
// that a large panel never holds the event loop; an edit during a read starts that panel over.
// Once every panel is read, the session is taken and written.
void SessionKeeper::readNext() {
    QPlainTextEdit* panel = unreadPanel();
    if (panel == nullptr) return writeSnapshot();
    watchPanel(panel);
    QPointer<QPlainTextEdit> alive(panel);
    reading_ = new PanelReader(panel, kSliceMs, [this, alive](const QString& text) {
        if (reading_ != nullptr) longestStepMs_ = std::max(longestStepMs_, reading_->longestSliceMs());
        if (alive) panelText_.insert(alive, text);
        readNext();
    });
    // A panel that goes away while it is read (its window closed) is skipped.
    connect(reading_, &QObject::destroyed, this, [this, alive] {
        if (closed_ || alive) return;
        QTimer::singleShot(0, this, &SessionKeeper::readNext);
    });
    reading_->start();
}

void SessionKeeper::startSave() {
    if (writing_) {
        again_ = true;
        return;
    }
    writing_ = true;
    readNext();
}

void SessionKeeper::writeSnapshot() {
    QElapsedTimer taking;
    taking.start();
    SessionState session = state();
    longestStepMs_ = std::max(longestStepMs_, static_cast<double>(taking.nsecsElapsed()) / 1e6);
    if (closed_) return;
    runInBackground(
        writer_, this,
        [session = std::move(session), path = path_] { return storage::saveSession(path, session.toJson()); },
        [this](const storage::WriteResult& result) { finished(result); });
}

void SessionKeeper::finished(const storage::WriteResult& result) {
    writing_ = false;
    if (closed_) return;
    ++saves_;
    report(result);
    emit saved();
    if (std::exchange(again_, false)) startSave();
}

void SessionKeeper::saveNow() {
    if (closed_) return;
    delay_.stop();
    delete reading_;  // the autosave under way ends here
    writing_ = false;
    again_ = false;
    writer_.waitForDone();
    report(storage::saveSession(path_, snapshot()));
    ++saves_;
}

// A failed write is told once, and again only after a write succeeded in between: a full disk
// would otherwise repeat it at every change.
void SessionKeeper::report(const storage::WriteResult& result) {
    if (result.ok()) {
        failing_ = false;
        return;
    }
    if (std::exchange(failing_, true)) return;
    emit saveFailed(QStringLiteral("会话没有保存：%1（上一次保存的会话还在）").arg(result.error));
}

}  // namespace ui
