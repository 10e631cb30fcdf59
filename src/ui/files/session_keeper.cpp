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

constexpr const char* kFormat = "quorvel-editor-session";
constexpr int kVersion = 1;
constexpr int kSliceMs = 4;  // reading a large panel for the autosave, per turn of the event loop

bool editable(const forms::Unit& unit) { return unit.kind == forms::Kind::EditBox && !unit.readOnly && !unit.disabled; }

// Beyond any screen a desktop has.
constexpr double kFarthest = 1 << 20;

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
        // The client area, where the window's content is: what placeAt gives back exactly. (Its
        // frame's place, pos(), would put the content there at the next start, a title bar
        // higher each time.)
        window.place = live->clientPlace();
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
    for (const actions::PanelRow& row : actions::panels()) {
        const documents::Document document = documents_.document(row.panel);
        if (row.file == actions::FileRole::None || !document.hasFile()) continue;
        state.files.insert(fromUtf8(row.name),
                           QJsonObject{{"path", document.path},
                                       {"encoding", storage::encodingName(document.format.encoding)},
                                       {"bom", document.format.bom},
                                       {"lineEnd", storage::lineEndName(document.format.lineEnd)},
                                       {"exists", document.stamp.exists},
                                       {"size", document.stamp.size},
                                       {"modified", document.stamp.modified.toMSecsSinceEpoch()},
                                       {"hash", QString::fromLatin1(document.stamp.hash.toHex())},
                                       {"lostBytes", document.lostBytes}});
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
        // Untrusted numbers: a place far off any screen is no place at all, and placeAt keeps
        // what is left on a screen.
        const auto coordinate = [&saved](const char* key) {
            const double number = saved.value(QLatin1String(key)).toDouble(0);
            return std::abs(number) <= kFarthest ? static_cast<int>(number) : 0;
        };
        const QRect place(coordinate("x"), coordinate("y"), coordinate("width"), coordinate("height"));
        if (place.width() > 0 && place.height() > 0) live->placeAt(place);
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
    const QJsonObject files = loaded.session.value(QStringLiteral("files")).toObject();
    for (const actions::PanelRow& row : actions::panels()) {
        const QJsonObject saved = files.value(fromUtf8(row.name)).toObject();
        if (row.file == actions::FileRole::None || saved.value(QStringLiteral("path")).toString().isEmpty()) continue;
        documents::Document document;
        document.path = saved.value(QStringLiteral("path")).toString();
        document.format.encoding = storage::encodingNamed(saved.value(QStringLiteral("encoding")).toString())
                                       .value_or(storage::Encoding::Utf8);
        document.format.bom = saved.value(QStringLiteral("bom")).toBool();
        document.format.lineEnd =
            storage::lineEndNamed(saved.value(QStringLiteral("lineEnd")).toString()).value_or(storage::LineEnd::CrLf);
        document.stamp.exists = saved.value(QStringLiteral("exists")).toBool();
        document.stamp.size = saved.value(QStringLiteral("size")).toInteger();
        document.stamp.modified = QDateTime::fromMSecsSinceEpoch(saved.value(QStringLiteral("modified")).toInteger());
        document.stamp.hash = QByteArray::fromHex(saved.value(QStringLiteral("hash")).toString().toLatin1());
        document.lostBytes = saved.value(QStringLiteral("lostBytes")).toBool();
        documents_.setDocument(row.panel, document);
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
    reading_ = new PanelReader(panel, kSliceMs, [this, alive](QString text) {
        if (reading_ != nullptr) longestStepMs_ = std::max(longestStepMs_, reading_->longestSliceMs());
        if (alive) panelText_.insert(alive, std::move(text));
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
        [this](const storage::WriteResult&) { finished(); });
}

void SessionKeeper::finished() {
    writing_ = false;
    if (closed_) return;
    ++saves_;
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
    storage::saveSession(path_, snapshot());
    ++saves_;
}

}  // namespace ui
