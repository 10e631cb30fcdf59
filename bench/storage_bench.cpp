// The file layer on a 10 MB socket file of gem blocks with Chinese lore, in UTF-8 and in
// GBK: decoding, encoding, the two together (opening and saving unchanged), atomic
// writes with and without the .bak, a whole save, and the changed-on-disk check.
#include "documents/save.h"
#include "storage/file_stamp.h"
#include "storage/safe_write.h"
#include "storage/text_codec.h"
#include "storage/text_file.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

using storage::Encoding;

constexpr qsizetype kTargetBytes = 10 << 20;

// Gem blocks like the builders make them, as the editor's "\n" text (files get CR LF),
// numbered so that no two are alike, until even the smaller GBK file (two bytes for each
// character beyond ASCII) has 10 MB.
QString socketText() {
    QString text;
    qsizetype gbkBytes = 0;
    for (int n = 0; gbkBytes < kTargetBytes; ++n) {
        const QString block = QStringLiteral(
                                  "gem%1:\n"
                                  "  Keylore: \"&6红宝石 %1 号 —— 镶嵌后提升攻击力\"\n"
                                  "  Display_Name: \"&c&l红宝石·%1\"\n"
                                  "  Material: \"EMERALD\"\n"
                                  "  Shiny: true\n"
                                  "  Max_Grade: 10\n"
                                  "  Type_Item: \"武器\"\n"
                                  "  Base_Success_Rate: 80\n"
                                  "  Scale_Success_Rate: 5\n"
                                  "  Effect:\n"
                                  "    - \"DAMAGE: 5\"\n"
                                  "    - \"CRIT_CHANCE: 2\"\n"
                                  "  Lore:\n"
                                  "    - \"&7种类：攻击宝石\"\n"
                                  "    - \"&7镶嵌在武器上，每一级增加 %1 点攻击力\"\n")
                                  .arg(n);
        for (const QChar c : block) gbkBytes += c.unicode() < 0x80 ? 1 : 2;
        text += block;
    }
    return text;
}

const QString& text() {
    static const QString value = socketText();
    return value;
}

storage::TextFormat formatOf(const benchmark::State& state) {
    return {state.range(0) == 0 ? Encoding::Utf8 : Encoding::Gbk, false, storage::LineEnd::CrLf};
}

const QByteArray& bytes(Encoding encoding) {
    static const QByteArray utf8 = storage::encodeText(text(), {Encoding::Utf8, false, storage::LineEnd::CrLf}).bytes;
    static const QByteArray gbk = storage::encodeText(text(), {Encoding::Gbk, false, storage::LineEnd::CrLf}).bytes;
    return encoding == Encoding::Utf8 ? utf8 : gbk;
}

QString scratchFile() {
    static QTemporaryDir dir;
    return dir.filePath("socket.yml");
}

void label(benchmark::State& state) {
    const QByteArray& file = bytes(formatOf(state).encoding);
    state.SetLabel(QStringLiteral("%1, %2 MB")
                       .arg(storage::encodingName(formatOf(state).encoding))
                       .arg(static_cast<double>(file.size()) / 1048576.0, 0, 'f', 1)
                       .toStdString());
    state.SetBytesProcessed(state.iterations() * file.size());
}

// Detects the encoding too: a GBK file is first tried as UTF-8.
void BM_Decode(benchmark::State& state) {
    const QByteArray& file = bytes(formatOf(state).encoding);
    for (auto _ : state) benchmark::DoNotOptimize(storage::decodeText(file));
    label(state);
}

void BM_Encode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(storage::encodeText(text(), formatOf(state)));
    label(state);
}

// Opening and saving unchanged, without the disk: what must stay far under a second.
void BM_DecodeEncode(benchmark::State& state) {
    const QByteArray& file = bytes(formatOf(state).encoding);
    for (auto _ : state) {
        const storage::DecodedText decoded = storage::decodeText(file);
        const storage::EncodedText encoded = storage::encodeText(decoded.text, decoded.format);
        if (encoded.bytes != file) state.SkipWithError("the round trip changed the bytes");
    }
    label(state);
}

void BM_AtomicWrite(benchmark::State& state) {
    const QByteArray& file = bytes(formatOf(state).encoding);
    const storage::Backup backup = state.range(1) ? storage::Backup::Keep : storage::Backup::None;
    storage::writeFileAtomically(scratchFile(), file, storage::Backup::None);
    for (auto _ : state) {
        const storage::WriteResult written = storage::writeFileAtomically(scratchFile(), file, backup);
        if (!written.ok()) state.SkipWithError(written.error.toStdString().c_str());
    }
    label(state);
}

// The editor's "save" of a command panel: encode, back up, write, stamp.
void BM_SaveTextFile(benchmark::State& state) {
    documents::SaveInput input;
    input.text = text();
    input.request = {.path = scratchFile(), .encoding = formatOf(state).encoding, .lineEnd = formatOf(state).lineEnd};
    for (auto _ : state) {
        const documents::SaveResult saved = documents::save(input);
        if (!saved.outcome.ok()) state.SkipWithError(saved.outcome.message.toStdString().c_str());
    }
    label(state);
}

void BM_ChangeOnDisk(benchmark::State& state) {
    const QByteArray& file = bytes(formatOf(state).encoding);
    storage::writeFileAtomically(scratchFile(), file, storage::Backup::None);
    const storage::FileStamp stamp = storage::stampOf(scratchFile());
    for (auto _ : state) benchmark::DoNotOptimize(storage::changeOnDisk(scratchFile(), stamp));
    label(state);
}

}  // namespace

BENCHMARK(BM_Decode)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeEncode)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AtomicWrite)
    ->ArgNames({"gbk", "bak"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SaveTextFile)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChangeOnDisk)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
