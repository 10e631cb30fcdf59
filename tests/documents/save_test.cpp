#include "documents/save.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "documents/open.h"
#include "scratch.h"
#include "storage/safe_write.h"

namespace {

using documents::Document;
using documents::Refusal;
using documents::SaveInput;
using documents::SaveMode;
using documents::SaveRequest;
using documents::SaveResult;
using storage::DiskChange;
using storage::Encoding;
using storage::LineEnd;
using storage::TextFormat;

const QByteArray kGbkGem("\xB1\xA6\xCA\xAF");  // 宝石
const QByteArray kGbkRed("\xBA\xEC");          // 红
const QByteArray kBom("\xEF\xBB\xBF");

class SaveTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // The save the editor runs for a panel: its text, its document, the request.
    static SaveResult save(const QString& text, const Document& current, SaveRequest request, bool yaml = true) {
        SaveInput input;
        input.text = text;
        input.yaml = yaml;
        input.current = current;
        input.request = std::move(request);
        return documents::save(input);
    }
    // The panel's document after opening the file.
    static Document opened(const QString& file) {
        return documents::documentOf(file, documents::read(file, std::nullopt));
    }

    QTemporaryDir dir_;
};

TEST_F(SaveTest, OpensAndSavesAGbkFileUnchanged) {
    const QString file = path("socket.yml");
    const QByteArray bytes = kGbkGem + ":\r\n  Keylore: \"" + kGbkRed + "\"\r\n";
    scratch::write(file, bytes);
    const documents::Read read = documents::read(file, std::nullopt);
    ASSERT_TRUE(read.file.ok());
    EXPECT_EQ(read.file.decoded.text, QString("宝石:\n  Keylore: \"红\"\n"));
    const Document document = documents::documentOf(file, read);
    EXPECT_EQ(document.format, (TextFormat{Encoding::Gbk, false, LineEnd::CrLf}));
    EXPECT_EQ(storage::changeOnDisk(file, document.stamp), DiskChange::None);

    const SaveResult saved = save(read.file.decoded.text + "  Shiny: true\n", document, {.path = file});
    ASSERT_EQ(saved.outcome.message, QString("已保存 %1（%2 字节）").arg(file).arg(bytes.size() + 15));
    EXPECT_EQ(scratch::read(file), bytes + "  Shiny: true\r\n");
    EXPECT_EQ(scratch::read(storage::backupPath(file)), bytes);
    ASSERT_TRUE(saved.document);
    EXPECT_EQ(storage::changeOnDisk(file, saved.document->stamp), DiskChange::None);
}

TEST_F(SaveTest, AnUnencodableCharacterWritesNothing) {
    const QString file = path("socket.yml");
    scratch::write(file, kGbkRed + "\r\n");
    const SaveResult saved = save(u"红\n💎\n"_qs, opened(file), {.path = file}, false);
    EXPECT_EQ(saved.outcome.refusal, Refusal::Unrepresentable);
    EXPECT_EQ(saved.outcome.message, QString("无法用 GBK 保存：第 2 行第 1 列的字符“💎”（U+1F48E）不在 GBK 字符集中。"));
    EXPECT_EQ(scratch::read(file), kGbkRed + "\r\n");
    EXPECT_EQ(scratch::entries(dir_.path()), QStringList{"socket.yml"});
}

TEST_F(SaveTest, AppendStopsOnAnUnencodableBlock) {
    const QString file = path("socket.yml");
    scratch::write(file, kGbkRed + "\r\n");
    const SaveResult saved = save(u"ruby:\n  Lore: \"•\"\n"_qs, {}, {.path = file, .mode = SaveMode::Append});
    EXPECT_EQ(saved.outcome.message, QString("无法用 GBK 保存：第 2 行第 10 列的字符“•”（U+2022）不在 GBK 字符集中。"));
    EXPECT_EQ(scratch::entries(dir_.path()), QStringList{"socket.yml"});
}

// What a write keeps of the document's format and what the request chooses; the byte-order
// mark goes back only into the file that had it.
TEST_F(SaveTest, AWriteKeepsTheFormatOfItsFileAndTheMarkOnlyInThatFile) {
    const QString file = path("socket.yml");
    scratch::write(file, kBom + "a: 1\n");
    const Document document = opened(file);
    ASSERT_EQ(document.format, (TextFormat{Encoding::Utf8, true, LineEnd::Lf}));
    const auto format = [&](const SaveRequest& request) { return documents::formatForWrite(request, document); };
    EXPECT_EQ(format({.path = file}), (TextFormat{Encoding::Utf8, true, LineEnd::Lf}));
    EXPECT_EQ(format({.path = path("./socket.yml")}), (TextFormat{Encoding::Utf8, true, LineEnd::Lf}));
    EXPECT_EQ(format({.path = path("copy.yml")}), (TextFormat{Encoding::Utf8, false, LineEnd::Lf}));
    EXPECT_EQ(format({.path = file, .lineEnd = LineEnd::CrLf}), (TextFormat{Encoding::Utf8, true, LineEnd::CrLf}));
    EXPECT_EQ(format({.path = file, .encoding = Encoding::Gbk}), (TextFormat{Encoding::Gbk, false, LineEnd::Lf}));
    EXPECT_EQ(documents::formatForWrite({.path = file}, Document{}), TextFormat{});

    ASSERT_TRUE(save("a: 2\n", document, {.path = file}).outcome.ok());
    EXPECT_EQ(scratch::read(file), kBom + "a: 2\n");
    ASSERT_TRUE(save("a: 2\n", document, {.path = path("copy.yml")}).outcome.ok());
    EXPECT_EQ(scratch::read(path("copy.yml")), "a: 2\n");
}

// Every refusal leaves the file as it was; the confirmable ones give way to force.
TEST_F(SaveTest, EveryRefusalLeavesTheFileAndForceOverridesOnlyTheConfirmableOnes) {
    const QString file = path("socket.yml");
    scratch::write(file, "ruby:\r\n  Max_Grade: 3\r\n");
    const Document document = opened(file);

    const SaveResult broken = save("a: [\n", document, {.path = file});
    EXPECT_EQ(broken.outcome.refusal, Refusal::InvalidYaml);
    EXPECT_TRUE(broken.outcome.message.startsWith("服务器无法读取这段配置：第 2 行"));
    EXPECT_TRUE(save("a: [\n", document, {.path = file}, false).outcome.ok()) << "commands are not YAML";
    scratch::write(file, "ruby:\r\n  Max_Grade: 3\r\n");

    const SaveResult duplicate = save("ruby:\n  Max_Grade: 5\n", document, {.path = file, .mode = SaveMode::Append});
    EXPECT_EQ(duplicate.outcome.refusal, Refusal::DuplicateKey);
    EXPECT_EQ(duplicate.outcome.message,
              QString("文件中已经有标识符 “ruby”（文件第 1 行）：追加后服务器只会保留后面的那一个，"
                      "文件中原来的条目会失效。"));
    EXPECT_EQ(scratch::read(file), "ruby:\r\n  Max_Grade: 3\r\n");

    scratch::write(file, "ruby:\r\n  Max_Grade: 4\r\n");  // someone else's edit
    const SaveResult changed = save("ruby:\n  Max_Grade: 5\n", document, {.path = file});
    EXPECT_EQ(changed.outcome.refusal, Refusal::ChangedOnDisk);
    EXPECT_EQ(scratch::read(file), "ruby:\r\n  Max_Grade: 4\r\n");

    Document lost = document;
    lost.lostBytes = true;
    const SaveResult replacement = save("ruby: \uFFFD\n", lost, {.path = file, .force = true});
    EXPECT_EQ(replacement.outcome.refusal, Refusal::Unrepresentable);
    EXPECT_EQ(save("", document, {.path = ""}).outcome.refusal, Refusal::Io);
    QDir(dir_.path()).mkdir("folder.yml");
    EXPECT_EQ(save("a: 1\n", {}, {.path = path("folder.yml")}).outcome.refusal, Refusal::Io);
    EXPECT_EQ(scratch::read(file), "ruby:\r\n  Max_Grade: 4\r\n");

    for (const Refusal refusal : {Refusal::InvalidYaml, Refusal::ChangedOnDisk, Refusal::DuplicateKey})
        EXPECT_TRUE(documents::isConfirmable(refusal));
    for (const Refusal refusal : {Refusal::Unrepresentable, Refusal::Io})
        EXPECT_FALSE(documents::isConfirmable(refusal));

    const SaveResult forced = save("ruby:\n  Max_Grade: 5\n", document, {.path = file, .force = true});
    ASSERT_TRUE(forced.outcome.ok()) << forced.outcome.message.toStdString();
    EXPECT_EQ(scratch::read(file), "ruby:\r\n  Max_Grade: 5\r\n");
    EXPECT_EQ(documents::afterSave(document, {.path = file}, forced), *forced.document);
}

// An append to the panel's own file gives the document the file's new stamp, so the next save
// does not take the panel's own append for someone else's change.
TEST_F(SaveTest, AnAppendToItsOwnFileKeepsTheDocumentCurrent) {
    const QString file = path("socket.yml");
    scratch::write(file, "a: 1\n");
    const Document document = opened(file);
    const SaveRequest request{.path = file, .mode = SaveMode::Append};
    const SaveResult appended = save("b: 2\n", document, request);
    ASSERT_TRUE(appended.outcome.ok());
    EXPECT_EQ(appended.outcome.bytes, 5);
    EXPECT_EQ(appended.outcome.message, QString("已追加 5 字节到 %1").arg(file));
    const Document after = documents::afterSave(document, request, appended);
    EXPECT_EQ(after.path, file);
    EXPECT_EQ(storage::changeOnDisk(file, after.stamp), DiskChange::None);
    EXPECT_TRUE(save("a: 1\nb: 3\n", after, {.path = file}).outcome.ok());

    const SaveResult elsewhere = save("c: 3\n", document, {.path = path("other.yml"), .mode = SaveMode::Append});
    ASSERT_TRUE(elsewhere.outcome.ok());
    EXPECT_EQ(documents::afterSave(document, {.path = path("other.yml"), .mode = SaveMode::Append}, elsewhere),
              document);
}

// An append is checked as the server will read the file: the file and the text together, lines
// counted in the file as it will be; nothing that breaks it or changes an entry it has.
TEST_F(SaveTest, AnAppendIsCheckedWithTheFileItJoins) {
    const QString file = path("socket.yml");
    const SaveRequest append{.path = file, .mode = SaveMode::Append};
    const QByteArray gem = "ruby:\r\n  Max_Grade: 3\r\n";
    scratch::write(file, gem);

    const SaveResult indented = save("  Shiny: true\n", {}, append);
    EXPECT_EQ(indented.outcome.refusal, Refusal::ChangesEntry);
    EXPECT_EQ(indented.outcome.message,
              QString("追加的内容会改变文件中已有的条目“ruby”（文件第 1 行）：服务器会把它读成这个条目的一部分，"
                      "而不是新的条目。"));
    EXPECT_TRUE(documents::isConfirmable(Refusal::ChangesEntry));
    const SaveResult broken = save("- sapphire\n", {}, append);
    EXPECT_EQ(broken.outcome.refusal, Refusal::InvalidYaml);
    EXPECT_TRUE(broken.outcome.message.startsWith("追加后服务器无法读取这个文件：第 3 行第 1 列（按追加后的文件计）："))
        << broken.outcome.message.toStdString();
    EXPECT_EQ(scratch::read(file), gem);

    // 1.00 is the key 1.0 the file has: the server reads them as one number.
    scratch::write(file, "1.0:\n  a: 1\n");
    EXPECT_EQ(save("1.00:\n  a: 2\n", {}, append).outcome.refusal, Refusal::DuplicateKey);
    EXPECT_EQ(scratch::read(file), "1.0:\n  a: 1\n");

    // A text that is fine alone but breaks nothing of the file goes in; one that cannot be read
    // even alone is refused for a new file too.
    scratch::write(file, gem);
    ASSERT_TRUE(save("sapphire:\n  Max_Grade: 4\n", {}, append).outcome.ok());
    EXPECT_EQ(scratch::read(file), gem + "sapphire:\r\n  Max_Grade: 4\r\n");
    EXPECT_EQ(save("a: [\n", {}, {.path = path("new.yml"), .mode = SaveMode::Append}).outcome.refusal,
              Refusal::InvalidYaml);
    EXPECT_FALSE(QFile::exists(path("new.yml")));
    EXPECT_TRUE(save("  Shiny: true\n", {}, {.path = file, .mode = SaveMode::Append, .force = true}).outcome.ok());
}

// The command panel appended to a YAML file is checked as the server reads the joined file,
// as the configuration panel is; to a text file it goes as it is.
TEST_F(SaveTest, ACommandPanelAppendedToAYamlFileIsCheckedToo) {
    const QString file = path("sockets.yml");
    scratch::write(file, "gem_1: 1\n");
    const SaveResult refused = save("/att Stats DAMAGE 1\n", {}, {.path = file, .mode = SaveMode::Append}, false);
    EXPECT_EQ(refused.outcome.refusal, Refusal::InvalidYaml);
    EXPECT_TRUE(refused.outcome.message.startsWith("追加后服务器无法读取这个文件：第 3 行"))
        << refused.outcome.message.toStdString();
    EXPECT_EQ(scratch::read(file), "gem_1: 1\n");
    const QString commands = path("commands.txt");
    scratch::write(commands, "/att Stats DAMAGE 1\n");
    ASSERT_TRUE(save("/att Stats DEFENSE 2\n", {}, {.path = commands, .mode = SaveMode::Append}, false).outcome.ok());
    EXPECT_EQ(scratch::read(commands), "/att Stats DAMAGE 1\n/att Stats DEFENSE 2\n");
    // Forced, as a person's 仍然写入.
    EXPECT_TRUE(
        save("/att Stats DAMAGE 1\n", {}, {.path = file, .mode = SaveMode::Append, .force = true}, false).outcome.ok());
}

// The last value of the file is a block scalar without a final line break: the appended text
// starts on a line of its own and that value stays as it was.
TEST_F(SaveTest, AnAppendAfterABlockScalarKeepsItsValue) {
    const QString file = path("socket.yml");
    scratch::write(file, kGbkGem + ":\r\n  Lore: |\r\n    " + kGbkRed + "\r\n    end");
    const SaveResult appended = save("sapphire:\n  a: 1\n", {}, {.path = file, .mode = SaveMode::Append});
    ASSERT_TRUE(appended.outcome.ok()) << appended.outcome.message.toStdString();
    EXPECT_EQ(scratch::read(file),
              kGbkGem + ":\r\n  Lore: |-\r\n    " + kGbkRed + "\r\n    end\r\nsapphire:\r\n  a: 1\r\n");
    EXPECT_EQ(appended.outcome.warning, QString("文件第 2 行的“|”改为“|-”，这样追加前的换行不会加进它的值。"));
    EXPECT_EQ(scratch::read(storage::backupPath(file)), kGbkGem + ":\r\n  Lore: |\r\n    " + kGbkRed + "\r\n    end");
}

// When the file's encoding is not certain, an append with Chinese in it asks for the encoding
// instead of writing it in a guess; the encoding given settles it.
TEST_F(SaveTest, AnAppendAsksForTheEncodingItCannotTell) {
    const QString file = path("socket.yml");
    const QByteArray utf8WithStrayByte =
        QString("宝石:\n  Lore: \"红色的宝石\"\n  Name: \"蓝\"\n").toUtf8() + "  x: \xFF\n";
    scratch::write(file, utf8WithStrayByte);
    const SaveRequest append{.path = file, .mode = SaveMode::Append};
    const SaveResult unsure = save("红:\n  a: 1\n", {}, append);
    EXPECT_EQ(unsure.outcome.refusal, Refusal::EncodingUnsure);
    EXPECT_EQ(documents::refusalCode(unsure.outcome.refusal), "encoding-unsure");
    EXPECT_EQ(unsure.outcome.message,
              QString("无法确定“socket.yml”的编码（文件中多数字节是有效的 UTF-8，只有 1 处不是），追加的中文可能和"
                      "文件原有的文字编码不同。请说明文件的编码：UTF-8 或 GBK。"));
    EXPECT_EQ(scratch::read(file), utf8WithStrayByte);
    EXPECT_TRUE(save("b:\n  a: 1\n", {}, append).outcome.ok()) << "ASCII is the same in both";
    SaveRequest told = append;
    told.encoding = Encoding::Utf8;
    ASSERT_TRUE(save("红:\n  a: 1\n", {}, told).outcome.ok());
    EXPECT_EQ(scratch::read(file), utf8WithStrayByte + "b:\n  a: 1\n" + QString("红:\n  a: 1\n").toUtf8());

    // GBK bytes that happen to be valid UTF-8 ("浣犲ソ" in GBK is "你好" in UTF-8).
    const QByteArray ambiguous = "\xE4\xBD\xA0\xE5\xA5\xBD: 1\r\n";
    scratch::write(file, ambiguous);
    EXPECT_EQ(save("红: 2\n", {}, append).outcome.refusal, Refusal::EncodingUnsure);
    told.encoding = Encoding::Gbk;
    ASSERT_TRUE(save("红: 2\n", {}, told).outcome.ok());
    EXPECT_EQ(scratch::read(file), ambiguous + kGbkRed + ": 2\r\n");
}

}  // namespace
