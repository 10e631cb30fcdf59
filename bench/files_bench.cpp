// Files and the session on the real main window, under the offscreen platform:
//  - opening a socket file of 10,000 gems: its entries list ready, counted from the open, and
//    one entry loaded into its page and updated in place;
//  - opening a 10 MB socket file into the configuration panel and saving it back, each timed,
//    with the longest time the event loop was held while it ran;
//  - typing into the field and the panel while the session is saved a moment after each change:
//    the longest event-loop block with the autosave, and without it on the same text.
// A heartbeat timer ticking every millisecond records the longest gap between its ticks.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "actions/action.h"
#include "forms/windows.h"
#include "sample_socket.h"
#include "storage/safe_write.h"
#include "ui/base/text.h"
#include "ui/entries/entry_editor.h"
#include "ui/files/main_menu.h"
#include "ui/files/panel_documents.h"
#include "ui/files/session_keeper.h"
#include "ui/loader/live_window.h"
#include "ui/loader/runtime.h"
#include "ui/panels/panel.h"
#include "ui/panels/panel_check.h"
#include "ui/shell/application.h"
#include "ui/shell/editor.h"

namespace {

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "quorvel-bench-files: %s\n", message);
    std::exit(1);
}

void waitFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

// The longest gap between the ticks of a 1 ms timer while it runs.
class Heartbeat {
public:
    Heartbeat() {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, static_cast<double>(beat_.nsecsElapsed()) / 1e6);
            beat_.restart();
        });
    }
    void start() {
        longest_ = 0;
        beat_.start();
        timer_.start();
    }
    double stop() {
        timer_.stop();
        return longest_;
    }
    double longest() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer beat_;
    double longest_ = 0;
};

std::string socketFile(std::size_t bytes) {
    std::string text;
    for (int i = 0; text.size() < bytes; ++i) {
        bench::appendSampleGem(text, i);
    }
    return text;
}

std::string socketFileOf(int gems) {
    std::string text;
    for (int i = 0; i < gems; ++i) bench::appendSampleGem(text, i);
    return text;
}

void writeFile(const QString& path, const std::string& text) {
    if (!storage::writeFileAtomically(path, QByteArray::fromStdString(text), storage::Backup::None).ok())
        fail("cannot write a socket file");
}

void type(QWidget* target, const QString& keys, int gapMs) {
    for (const QChar key : keys) {
        const int code = key == QLatin1Char('\n') ? Qt::Key_Return : 0;
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, key == QLatin1Char('\n') ? QString() : QString(key));
        QCoreApplication::sendEvent(target, &press);
        waitFor(gapMs);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    QTemporaryDir scratch;
    if (!scratch.isValid()) fail("no scratch folder");
    const QString socket = scratch.filePath(QStringLiteral("socket.yml"));
    const QString gems = scratch.filePath(QStringLiteral("gems.yml"));
    const std::string text = socketFile(10u << 20);
    constexpr int kGems = 10000;
    writeFile(socket, text);
    writeFile(gems, socketFileOf(kGems));

    ui::Editor editor;
    ui::Runtime& runtime = editor.runtime();
    ui::LiveWindow* main = editor.main();
    ui::PanelDocuments& documents = editor.documents();
    QPlainTextEdit* panel = documents.panel(actions::Panel::Config);
    waitFor(50);

    // Opens a file into the configuration panel: how long until it is in, the longest block
    // until then, and with listed > 0, how long from the open until the entries list holds
    // that many entries and the longest block from the open until then.
    Heartbeat heartbeat;
    struct Opened {
        double ms = 0;
        double blockMs = 0;
        double listMs = -1;
        double listBlockMs = 0;
    };
    const auto openTimed = [&](const QString& path, std::size_t listed) {
        Opened timed;
        bool opened = false;
        QElapsedTimer openTimer;
        const QMetaObject::Connection listing = QObject::connect(&editor.entries(), &ui::EntryEditor::listChanged, [&] {
            if (timed.listMs < 0 && listed > 0 && editor.entries().shown()->listing().entries.size() >= listed)
                timed.listMs = static_cast<double>(openTimer.nsecsElapsed()) / 1e6;
        });
        heartbeat.start();
        QTimer::singleShot(0, [&] {
            openTimer.start();
            documents.open(actions::Panel::Config, path, std::nullopt, false, [&](const documents::Outcome& outcome) {
                if (!outcome.ok()) fail("cannot open a socket file");
                timed.ms = static_cast<double>(openTimer.nsecsElapsed()) / 1e6;
                opened = true;
            });
        });
        while (!opened) waitFor(1);
        waitFor(20);
        timed.blockMs = heartbeat.longest();
        for (int i = 0; i < 3000 && listed > 0 && timed.listMs < 0; ++i) waitFor(5);
        timed.listBlockMs = heartbeat.stop();
        QObject::disconnect(listing);
        if (listed > 0 && timed.listMs < 0) fail("the entries list never came");
        return timed;
    };

    // The entries of 10,000 gems: listed, one in the middle loaded and updated in place.
    const Opened listed = openTimed(gems, kGems);
    const auto gemsBytes = static_cast<std::size_t>(panel->document()->characterCount());
    const std::size_t entryCount = editor.entries().shown()->listing().entries.size();
    const QString middle = ui::fromUtf8(editor.entries().shown()->listing().entries[entryCount / 2].id);
    QElapsedTimer entryTimer;
    entryTimer.start();
    if (!editor.entries().load(middle).ok()) fail("cannot load an entry");
    const double loadMs = static_cast<double>(entryTimer.nsecsElapsed()) / 1e6;
    auto* grade = qobject_cast<QLineEdit*>(main->controlByName(actions::find(main->id(), "按钮50")->texts[4]));
    if (grade == nullptr) fail("no grade field");
    grade->setText(QStringLiteral("7"));
    entryTimer.start();
    const ui::EntryEditor::Outcome updated = editor.entries().update();
    if (!updated.ok()) fail("cannot update the entry");
    const double updateMs = static_cast<double>(entryTimer.nsecsElapsed()) / 1e6;

    // The 10 MB file, into an empty panel as before (emptying a panel of many megabytes is a
    // block of its own, measured nowhere here).
    ui::clearPanel(panel);
    waitFor(100);
    const Opened large = openTimed(socket, 0);
    const double openMs = large.ms;
    const double openBlockMs = large.blockMs;
    for (int i = 0; i < 600 && !ui::PanelCheck::of(panel)->isCurrent(); ++i) waitFor(100);
    // The save after the live check is current (as a user's save would be), and before.
    const ui::PanelCheck* check = ui::PanelCheck::of(panel);
    for (int i = 0; i < 600 && check != nullptr && !check->isCurrent(); ++i) waitFor(100);
    const auto timedSave = [&](const QString& path, double* blockMs) {
        heartbeat.start();
        bool saved = false;
        double ms = 0;
        QElapsedTimer saveTimer;
        QTimer::singleShot(0, [&] {
            saveTimer.start();
            documents.save(actions::Panel::Config, {.path = path, .force = true},
                           [&](const documents::Outcome& outcome) {
                               if (!outcome.ok()) fail("cannot save the socket file");
                               ms = static_cast<double>(saveTimer.nsecsElapsed()) / 1e6;
                               saved = true;
                           });
        });
        while (!saved) waitFor(10);
        waitFor(20);
        *blockMs = heartbeat.stop();
        return ms;
    };
    double saveBlockMs = 0;
    const double saveMs = timedSave(socket, &saveBlockMs);

    // Typing, with and without the autosave (a short delay, so that it runs between keys).
    const QString keys = QStringLiteral("ruby:\n  Max_Grade: 5\n");
    int saves = 0;
    double stepMs = 0;
    auto* field = qobject_cast<QLineEdit*>(main->controlByName("编辑框2"));
    if (field == nullptr) fail("no field 编辑框2");
    const auto typing = [&](bool autosave) {
        std::unique_ptr<ui::SessionKeeper> keeper;
        if (autosave)
            keeper = std::make_unique<ui::SessionKeeper>(runtime, documents,
                                                         scratch.filePath(QStringLiteral("session.json")), 40);
        QTextCursor end(panel->document());
        end.movePosition(QTextCursor::End);
        panel->setTextCursor(end);
        heartbeat.start();
        type(panel, keys, 80);
        type(field, QStringLiteral("12345"), 80);
        waitFor(300);
        const double block = heartbeat.stop();
        if (keeper != nullptr) {
            saves = keeper->saves();
            stepMs = keeper->longestStepMs();
        }
        return block;
    };
    const double withoutMs = typing(false);
    const double withMs = typing(true);
    ui::SessionKeeper counter(runtime, documents, scratch.filePath(QStringLiteral("count.json")), 40);
    counter.snapshot();
    QElapsedTimer snapshotTimer;
    snapshotTimer.start();
    panel->insertPlainText(QStringLiteral("x"));
    const QJsonObject snapshot = counter.snapshot();
    const double snapshotMs = static_cast<double>(snapshotTimer.nsecsElapsed()) / 1e6;

    std::printf("a socket file of %zu gems (%.1f MB)\n", entryCount, static_cast<double>(gemsBytes) / 1048576.0);
    std::printf("  open                                %8.1f ms\n", listed.ms);
    std::printf("  its entries list ready %.1f ms from the open on (longest event-loop block meanwhile %.1f ms)\n",
                listed.listMs, listed.listBlockMs);
    std::printf("  load one entry into its page %.1f ms, update it in place %.1f ms\n", loadMs, updateMs);
    std::printf("a %.1f MB socket file (%d lines) in the configuration panel\n",
                static_cast<double>(text.size()) / 1048576.0, panel->document()->blockCount());
    std::printf("  open                                %8.1f ms (longest event-loop block %.1f ms)\n", openMs,
                openBlockMs);
    std::printf("  save (check current)                %8.1f ms (longest event-loop block %.1f ms)\n", saveMs,
                saveBlockMs);
    std::printf(
        "  typing 27 keys 80 ms apart, longest event-loop block: without autosave %.1f ms, with %.1f ms "
        "(%d autosaves)\n",
        withoutMs, withMs, saves);
    std::printf("  longest single step of the autosave on the UI thread  %.1f ms\n", stepMs);
    std::printf("  synchronous snapshot after a change (as on close)  %.1f ms\n", snapshotMs);
    std::printf("result file_open_ms %.1f\n", openMs);
    std::printf("result entries_list_ms %.1f\n", listed.listMs);
    std::printf("result entries_list_block_ms %.1f\n", listed.listBlockMs);
    std::printf("result entry_load_ms %.1f\n", loadMs);
    std::printf("result entry_update_ms %.1f\n", updateMs);
    std::printf("result file_save_ms %.1f\n", saveMs);
    std::printf("result file_open_block_ms %.1f\n", openBlockMs);
    std::printf("result file_save_block_ms %.1f\n", saveBlockMs);
    std::printf("result autosave_block_ms %.1f\n", withMs);
    std::printf("result autosave_step_ms %.1f\n", stepMs);
    std::printf("result typing_noautosave_block_ms %.1f\n", withoutMs);
    return snapshot.isEmpty() ? 1 : 0;
}
