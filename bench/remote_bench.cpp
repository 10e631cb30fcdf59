// Opening and saving a 5 MB file over SFTP on 127.0.0.1, against OpenSSH's own sftp client doing
// the same get and the same put (batch mode), in turns on the same sshd:
//
//   open   remote::Session::read from a session not yet connected: connect, check the host key,
//          log in, open the SFTP channel, read the file whole
//   save   remote::Session::save from a session not yet connected: the same, then the whole save
//          (the file read again and compared, written to a temporary file, synced, read back and
//          compared, renamed into place)
//   get    sftp -b: "get FILE" (its process, connection, login and transfer)
//   put    sftp -b: "put FILE"
//
// and, to see the transfers alone: the same requests on a session already connected, and the
// sftp client with an empty batch (its process, connection and login only). The longest block of
// the calling thread's event loop while each request runs is measured too.
//
// The plugin folder of the benchmarks (50 files, 10,000 entries) is read from the server as the
// editor reads a profile's folder (remote::FolderPlace on a thread of its own, from a session not
// yet connected), against "get -r" of it by sftp: the transfer alone (every folder listed, every
// YAML file read) and the whole reading with the folder's index made (project::readFolder).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <vector>

#include <future>
#include <thread>

#include "private_home.h"
#include "project/reading/folder_read.h"
#include "remote/folder_place.h"
#include "remote/session.h"
#include "sample_folder.h"
#include "ssh_server.h"

namespace {

constexpr int kRounds = 9;
constexpr qsizetype kFileBytes = qsizetype{5} << 20;

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "quorvel-bench-remote: %s\n", qPrintable(message));
    std::exit(1);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// A socket configuration file of that size, as the plugin's files look.
QByteArray sampleFile() {
    QByteArray bytes;
    bytes.reserve(kFileBytes + 200);
    for (int i = 0; bytes.size() < kFileBytes; ++i) {
        bytes += "gem_" + QByteArray::number(i) + ":\r\n  name: \"&c红宝石 " + QByteArray::number(i) +
                 "\"\r\n  lore:\r\n    - \"&7攻击力 +" + QByteArray::number(i % 50) + "\"\r\n";
    }
    bytes.truncate(kFileBytes);
    return bytes;
}

// The calling thread's own processor time, in ms.
double threadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The longest time the event loop went without a turn while a request ran: as the clock on the
// wall sees it, and as the thread's own work (the wall time includes the thread waiting for a
// processor on a loaded machine; the work is what the thread itself did in that gap).
struct Blocks {
    double wallMs = 0;
    double workMs = 0;

    void merge(const Blocks& other) {
        wallMs = std::max(wallMs, other.wallMs);
        workMs = std::max(workMs, other.workMs);
    }
};

template <typename Done>
void runLoop(Done done, Blocks& blocks) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    double lastCpu = threadCpuMs();
    const auto turn = [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = threadCpuMs();
        blocks.wallMs = std::max(blocks.wallMs, static_cast<double>(now - last) / 1e6);
        blocks.workMs = std::max(blocks.workMs, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, turn);
    tick.start(1);
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    turn();
}

class Bench {
public:
    Bench(testing_support::SshServer& server, const QString& knownHosts) : server_(server) {
        settings_.host = QStringLiteral("127.0.0.1");
        settings_.port = server.fullPort();
        settings_.user = server.user();
        settings_.auth = storage::SshAuth::Key;
        settings_.keyFile = server.userKey();
        settings_.knownHosts = {knownHosts};
        knownHosts_ = knownHosts;
    }

    double open(remote::Session& session, const QByteArray& path, const QByteArray& expected) {
        std::optional<remote::FileRead> read;
        QObject context;
        QElapsedTimer clock;
        clock.start();
        session.read(path, &context, [&](const remote::FileRead& r) { read = r; });
        runLoop([&] { return read.has_value(); }, blocks_);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!read->ok()) fail(read->message);
        if (read->bytes != expected) fail(QStringLiteral("the file read is not the file"));
        return ms;
    }

    double save(remote::Session& session, const QByteArray& path, const QByteArray& bytes, const QByteArray& old) {
        std::optional<remote::SaveOutcome> saved;
        QObject context;
        QElapsedTimer clock;
        clock.start();
        session.save(path, bytes, {.expected = old}, &context, [&](const remote::SaveOutcome& r) { saved = r; });
        runLoop([&] { return saved.has_value(); }, blocks_);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!saved->ok()) fail(saved->message);
        return ms;
    }

    double sftp(const QByteArray& batch) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral("sftp"),
                      {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-"), QStringLiteral("-P"),
                       QString::number(server_.fullPort()), QStringLiteral("-i"), server_.userKey(),
                       QStringLiteral("-o"), QStringLiteral("UserKnownHostsFile=") + knownHosts_, QStringLiteral("-o"),
                       QStringLiteral("BatchMode=yes"), server_.user() + QStringLiteral("@127.0.0.1")});
        process.write(batch);
        process.closeWriteChannel();
        if (!process.waitForFinished(120'000) || process.exitCode() != 0)
            fail(QStringLiteral("sftp failed: ") + QString::fromLocal8Bit(process.readAllStandardOutput()));
        return static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }

    const remote::Settings& settings() const { return settings_; }
    Blocks takeBlocks() { return std::exchange(blocks_, Blocks{}); }

private:
    testing_support::SshServer& server_;
    remote::Settings settings_;
    QString knownHosts_;
    Blocks blocks_;
};

// Lists every folder of the place and reads every YAML file in it: the transfer of a folder's
// reading without its index. Returns the bytes read.
qint64 transferAll(project::Place& place) {
    QStringList folders{QString()};
    QStringList files;
    while (!folders.isEmpty()) {
        const QString folder = folders.takeFirst();
        const project::PlaceListing listing = place.list(folder);
        if (!listing.error.isEmpty()) fail(listing.error);
        for (const project::PlaceItem& item : listing.items) {
            const QString path = folder.isEmpty() ? item.name : folder + QLatin1Char('/') + item.name;
            if (item.type == project::PlaceItem::Type::Folder) folders << path;
            if (item.type == project::PlaceItem::Type::File && project::isYamlName(item.name)) files << path;
        }
    }
    qint64 bytes = 0;
    for (const project::PlaceRead& read : place.read(files, storage::kMaxFileBytes)) {
        if (!read.ok()) fail(read.error);
        bytes += read.bytes.size();
    }
    return bytes;
}

// Runs work on a thread of its own from a new session, this thread's event loop serving the
// session meanwhile; the time from start to end in ms.
template <typename Work>
double offThread(const remote::Settings& settings, const QString& name, const QByteArray& root, Work work,
                 Blocks& blocks) {
    remote::Session session(settings);
    QElapsedTimer clock;
    clock.start();
    std::packaged_task<void()> task([&] {
        remote::FolderPlace place(&session, name, root);
        work(place);
    });
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    runLoop([&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, blocks);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    thread.join();
    done.get();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const QTemporaryDir home;
    if (!home.isValid()) fail(QStringLiteral("no temporary folder"));
    testing_support::usePrivateHome(home);
    QCoreApplication app(argc, argv);
    testing_support::SshServer server(QStringLiteral("/bin/false"), false);
    if (!server.start()) fail(QStringLiteral("no sshd: ") + server.why());
    const QString knownHosts = home.filePath(QStringLiteral("known_hosts"));
    {
        QFile file(knownHosts);
        if (!file.open(QIODevice::WriteOnly)) fail(QStringLiteral("cannot write known_hosts"));
        file.write(server.knownHostsLine(server.fullPort()));
    }
    const QByteArray sample = sampleFile();
    QByteArray changed = sample;
    changed.replace("红宝石", "蓝宝石");
    const QString local = home.filePath(QStringLiteral("local.yml"));
    const QString got = home.filePath(QStringLiteral("got.yml"));
    const QString remoteFile = server.files() + QStringLiteral("/sockets.yml");
    const QString putFile = server.files() + QStringLiteral("/put.yml");
    {
        QFile file(local);
        if (!file.open(QIODevice::WriteOnly)) fail(QStringLiteral("cannot write the sample"));
        file.write(sample);
        QFile there(remoteFile);
        if (!there.open(QIODevice::WriteOnly)) fail(QStringLiteral("cannot write the sample"));
        there.write(sample);
    }
    const QByteArray path = QFile::encodeName(remoteFile);
    const QByteArray getBatch = "get " + QFile::encodeName(remoteFile) + ' ' + QFile::encodeName(got) + '\n';
    const QByteArray putBatch = "put " + QFile::encodeName(local) + ' ' + QFile::encodeName(putFile) + '\n';

    Bench bench(server, knownHosts);
    std::vector<double> open, save, get, put, empty, warmOpen, warmSave;
    Blocks openBlock;
    Blocks saveBlock;
    bench.sftp(getBatch);  // the first run pays for loading the programs
    QByteArray current = sample;
    for (int round = 0; round < kRounds; ++round) {
        {
            remote::Session session(bench.settings());
            open.push_back(bench.open(session, path, current));
            warmOpen.push_back(bench.open(session, path, current));
            openBlock.merge(bench.takeBlocks());
        }
        get.push_back(bench.sftp(getBatch));
        {
            const QByteArray next = current == sample ? changed : sample;
            remote::Session session(bench.settings());
            save.push_back(bench.save(session, path, next, current));
            current = next;
            const QByteArray again = current == sample ? changed : sample;
            warmSave.push_back(bench.save(session, path, again, current));
            saveBlock.merge(bench.takeBlocks());
            current = again;
        }
        put.push_back(bench.sftp(putBatch));
        empty.push_back(bench.sftp("pwd\n"));
    }
    QFile gotFile(got);
    if (!gotFile.open(QIODevice::ReadOnly) || gotFile.readAll() != sample) fail(QStringLiteral("sftp got other bytes"));

    const double openMs = median(open);
    const double saveMs = median(save);
    const double getMs = median(get);
    const double putMs = median(put);
    const double emptyMs = median(empty);
    std::printf("5 MB file, %d rounds, medians in ms\n", kRounds);
    for (int i = 0; i < kRounds; ++i)
        std::printf("  round %d: open %.1f (connected %.1f), save %.1f (%.1f), get %.1f, put %.1f, empty %.1f\n", i + 1,
                    open[i], warmOpen[i], save[i], warmSave[i], get[i], put[i], empty[i]);
    std::printf("  open (connect + read)          %8.1f   sftp get  %8.1f\n", openMs, getMs);
    std::printf("  save (connect + whole save)    %8.1f   sftp put  %8.1f\n", saveMs, putMs);
    std::printf("  open, connected                %8.1f   sftp get - empty batch %8.1f\n", median(warmOpen),
                getMs - emptyMs);
    std::printf("  save, connected                %8.1f   sftp put - empty batch %8.1f\n", median(warmSave),
                putMs - emptyMs);
    std::printf("  sftp with an empty batch       %8.1f\n", emptyMs);
    std::printf("  event loop's longest gap: open %.1f ms (its own work %.1f ms), save %.1f ms (%.1f ms)\n",
                openBlock.wallMs, openBlock.workMs, saveBlock.wallMs, saveBlock.workMs);
    std::printf("result remote_open_ms %.1f\n", openMs);
    std::printf("result remote_save_ms %.1f\n", saveMs);
    std::printf("result sftp_get_ms %.1f\n", getMs);
    std::printf("result sftp_put_ms %.1f\n", putMs);
    std::printf("result sftp_empty_ms %.1f\n", emptyMs);
    std::printf("result remote_open_warm_ms %.1f\n", median(warmOpen));
    std::printf("result remote_save_warm_ms %.1f\n", median(warmSave));
    std::printf("result remote_open_ratio %.2f\n", openMs / getMs);
    std::printf("result remote_save_ratio %.2f\n", saveMs / putMs);
    std::printf("result remote_open_block_ms %.1f\n", openBlock.workMs);
    std::printf("result remote_save_block_ms %.1f\n", saveBlock.workMs);
    std::printf("result remote_open_gap_ms %.1f\n", openBlock.wallMs);
    std::printf("result remote_save_gap_ms %.1f\n", saveBlock.wallMs);

    // The plugin folder.
    const QString plugin = server.files() + QStringLiteral("/plugin");
    const int entries = bench::makeSampleFolder(plugin);
    const QString gotFolder = home.filePath(QStringLiteral("got-plugin"));
    const QByteArray getFolder = "get -r " + QFile::encodeName(plugin) + ' ' + QFile::encodeName(gotFolder) + '\n';
    std::vector<double> transfer, reading, getR;
    Blocks folderBlock;
    qint64 folderBytes = 0;
    int indexed = 0;
    for (int round = 0; round < kRounds; ++round) {
        transfer.push_back(offThread(
            bench.settings(), plugin, QFile::encodeName(plugin),
            [&](project::Place& place) { folderBytes = transferAll(place); }, folderBlock));
        reading.push_back(offThread(
            bench.settings(), plugin, QFile::encodeName(plugin),
            [&](project::Place& place) {
                const project::FolderRead read = project::readFolder(place);
                if (!read.ok()) fail(read.error);
                indexed = 0;
                for (const project::File& file : read.folder.files())
                    indexed += static_cast<int>(file.entries().size());
            },
            folderBlock));
        QDir(gotFolder).removeRecursively();
        getR.push_back(bench.sftp(getFolder));
    }
    if (indexed != entries)
        fail(QStringLiteral("the folder's reading has %1 entries, not %2").arg(indexed).arg(entries));
    const double transferMs = median(transfer);
    const double readingMs = median(reading);
    const double getRMs = median(getR);
    std::printf("plugin folder, 50 files, %d entries, %.1f MB, %d rounds, medians in ms\n", entries,
                static_cast<double>(folderBytes) / (1 << 20), kRounds);
    std::printf("  listed and read (connect + transfer)   %8.1f   sftp get -r %8.1f\n", transferMs, getRMs);
    std::printf("  read and indexed (connect + reading)   %8.1f\n", readingMs);
    std::printf("  event loop's longest gap: %.1f ms (its own work %.1f ms)\n", folderBlock.wallMs, folderBlock.workMs);
    std::printf("result remote_folder_ms %.1f\n", transferMs);
    std::printf("result remote_folder_read_ms %.1f\n", readingMs);
    std::printf("result sftp_get_r_ms %.1f\n", getRMs);
    std::printf("result remote_folder_ratio %.2f\n", transferMs / getRMs);
    std::printf("result remote_folder_read_ratio %.2f\n", readingMs / getRMs);
    std::printf("result remote_folder_block_ms %.1f\n", folderBlock.workMs);
    return 0;
}
