// A document whose file is on a server: its path as the server's bytes (UTF-8 or GBK names), its
// link, and a write by the same rules as a local one with the server's answer in between.
#include <gtest/gtest.h>
#include <QDateTime>

#include "documents/location.h"
#include "documents/open.h"
#include "documents/save.h"

namespace {

using documents::Document;
using documents::Refusal;
using documents::SaveInput;
using documents::SaveRequest;
using documents::ServerWrite;
using storage::Encoding;
using storage::LineEnd;

const QByteArray kGbkName("/srv/\xC5\xE4\xD6\xC3/\xB1\xA6\xCA\xAF.yml");  // /srv/配置/宝石.yml in GBK

TEST(ServerPath, EveryByteComesBackAndNamesAreShownAsUtf8ElseGbk) {
    const QByteArray utf8 = QStringLiteral("/srv/配置/宝石.yml").toUtf8();
    EXPECT_EQ(documents::serverPathText(utf8), QStringLiteral("/srv/配置/宝石.yml"));
    for (const QByteArray& bytes : {utf8, kGbkName, QByteArray("/a/\xFF\xFE\x80/b"), QByteArray("\xE4\xB8"),
                                    QByteArray("/x/\xED\xA0\x80"), QByteArray()}) {
        const QString text = documents::serverPathText(bytes);
        EXPECT_EQ(documents::serverPathBytes(text), bytes) << bytes.toHex().toStdString();
    }
    EXPECT_EQ(documents::shownServerPath(documents::serverPathText(kGbkName)), QStringLiteral("/srv/配置/宝石.yml"));
    EXPECT_EQ(documents::shownLocation(QStringLiteral("lobby"), documents::serverPathText(kGbkName)),
              QStringLiteral("lobby:/srv/配置/宝石.yml"));
}

TEST(ServerPath, ALinkNamesItsProfileAndPathAndALocalPathIsNoLink) {
    const QString path = documents::serverPathText(kGbkName);
    const QString link = documents::serverLink(QStringLiteral("生存服"), path);
    const std::optional<documents::Location> file = documents::parseServerLink(link);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->place, QStringLiteral("生存服"));
    EXPECT_EQ(file->path, path);
    for (const QString& other : {QStringLiteral("/home/a/x:/y.yml"), QStringLiteral("x.yml"),
                                 QStringLiteral(":/srv/x.yml"), QStringLiteral("lobby:srv/x.yml")})
        EXPECT_FALSE(documents::parseServerLink(other).has_value()) << other.toStdString();
    EXPECT_TRUE(
        documents::sameLocation(QStringLiteral("a"), QStringLiteral("/x"), QStringLiteral("a"), QStringLiteral("/x")));
    EXPECT_FALSE(
        documents::sameLocation(QStringLiteral("a"), QStringLiteral("/x"), QStringLiteral("b"), QStringLiteral("/x")));
    EXPECT_FALSE(documents::sameLocation(QStringLiteral("a"), QStringLiteral("/x"), {}, QStringLiteral("/x")));
}

class ServerSave : public testing::Test {
protected:
    // The document of a server's file opened from bytes.
    static Document opened(const QByteArray& bytes) {
        const documents::Read read = documents::fromBytes(bytes, documents::serverStamp(bytes, 1'765'300'000), {});
        return documents::documentOf(QStringLiteral("lobby"), QStringLiteral("/srv/q/sockets.yml"), read);
    }
    static SaveInput input(const QString& text, const Document& current, SaveRequest request) {
        SaveInput in;
        in.text = text;
        in.yaml = true;
        in.current = current;
        in.request = std::move(request);
        return in;
    }
    static SaveRequest own(const Document& current) { return {.path = current.path, .place = current.place}; }
};

// The bytes for the server keep the file's encoding, line ends and mark, as a local save does;
// after the server's yes, the document follows the new bytes and the quiet changes are told once.
TEST_F(ServerSave, TheFileKeepsItsFormatAndTheDocumentFollowsTheWrite) {
    const QByteArray bom("\xEF\xBB\xBF");
    const Document current = opened(bom + "a: 1\r\nb: 2\nc: 3\r\n");
    ASSERT_EQ(current.place, QStringLiteral("lobby"));
    ASSERT_FALSE(current.quietChanges.isEmpty());
    const SaveInput in = input(QStringLiteral("a: 1\nb: 5\nc: 3\n"), current, own(current));
    const documents::PreparedWrite prepared = documents::prepareWrite(in);
    ASSERT_FALSE(prepared.refused.has_value());
    EXPECT_EQ(prepared.bytes, bom + "a: 1\r\nb: 5\r\nc: 3\r\n");
    const documents::SaveResult result =
        documents::afterServerWrite(in, prepared, ServerWrite{.mtime = 1'765'300'100, .viaBackup = true});
    ASSERT_TRUE(result.outcome.ok());
    EXPECT_EQ(result.outcome.message, QStringLiteral("已保存 lobby:/srv/q/sockets.yml（21 字节）"));
    EXPECT_EQ(result.outcome.warning,
              QStringLiteral("服务器不能直接替换文件，原来的内容改名为 sockets.yml.bak 保留。"));
    EXPECT_EQ(result.outcome.changes, current.quietChanges);
    ASSERT_TRUE(result.document.has_value());
    EXPECT_EQ(result.document->place, QStringLiteral("lobby"));
    EXPECT_EQ(result.document->stamp, documents::serverStamp(prepared.bytes, 1'765'300'100));
    EXPECT_TRUE(result.document->quietChanges.isEmpty());
    EXPECT_EQ(documents::afterSave(current, in.request, result), *result.document);

    // A GBK file stays GBK; a character GBK cannot hold is refused before anything goes out.
    const Document gbk = opened(QByteArray("\xB1\xA6\xCA\xAF: 1\n"));
    ASSERT_EQ(gbk.format.encoding, Encoding::Gbk);
    EXPECT_EQ(documents::prepareWrite(input(QStringLiteral("宝石: 2\n"), gbk, own(gbk))).bytes,
              QByteArray("\xB1\xA6\xCA\xAF: 2\n"));
    const documents::PreparedWrite emoji = documents::prepareWrite(input(QStringLiteral("宝石: 😀\n"), gbk, own(gbk)));
    ASSERT_TRUE(emoji.refused.has_value());
    EXPECT_EQ(emoji.refused->outcome.refusal, Refusal::Unrepresentable);
}

TEST_F(ServerSave, TheServersRefusalsKeepTheirCodesAndTheTextTheServerHoldsNow) {
    const Document current = opened("a: 1\n");
    const SaveInput in = input(QStringLiteral("a: 2\n"), current, own(current));
    const documents::PreparedWrite prepared = documents::prepareWrite(in);

    ServerWrite changed;
    changed.detail.code = QStringLiteral("changed-on-server");
    changed.detail.current = "a: 9\n";
    documents::SaveResult result = documents::afterServerWrite(in, prepared, changed);
    EXPECT_EQ(result.outcome.refusal, Refusal::ChangedOnServer);
    EXPECT_EQ(documents::codeOf(result.outcome), QStringLiteral("changed-on-server"));
    EXPECT_TRUE(documents::isConfirmable(result.outcome.refusal));
    EXPECT_EQ(result.outcome.server.current, QByteArray("a: 9\n"));
    EXPECT_EQ(result.outcome.message,
              QStringLiteral("服务器上的文件在打开或上次保存之后被别人改动过：lobby:/srv/q/sockets.yml。"
                             "保存会覆盖那些改动，没有写入。"));
    EXPECT_EQ(documents::afterSave(current, in.request, result), current);

    ServerWrite dropped{.message = QStringLiteral("连接断开了。原来的内容完整地在 sockets.yml.bak 中")};
    dropped.detail.code = QStringLiteral("dropped");
    dropped.detail.state = QStringLiteral("bak");
    result = documents::afterServerWrite(in, prepared, dropped);
    EXPECT_EQ(result.outcome.refusal, Refusal::Server);
    EXPECT_EQ(documents::codeOf(result.outcome), QStringLiteral("dropped"));
    EXPECT_EQ(result.outcome.server.state, QStringLiteral("bak"));
    EXPECT_EQ(result.outcome.message, dropped.message);

    ServerWrite folder{.message = QStringLiteral("无法保存：这是一个文件夹，不是文件：/srv/q/sockets.yml")};
    folder.detail.code = QStringLiteral("not-regular");
    result = documents::afterServerWrite(in, prepared, folder);
    EXPECT_EQ(result.outcome.refusal, Refusal::NotRegular);
    EXPECT_EQ(documents::codeOf(result.outcome), QStringLiteral("not-regular"));
    EXPECT_FALSE(documents::isConfirmable(result.outcome.refusal));

    // A text the server cannot read is refused before the server is asked, as on this computer.
    const SaveInput broken = input(QStringLiteral("a: [\n"), current, own(current));
    const documents::PreparedWrite refused = documents::prepareWrite(broken);
    ASSERT_TRUE(refused.refused.has_value());
    EXPECT_EQ(refused.refused->outcome.refusal, Refusal::InvalidYaml);
}

// A save to another file on this computer or another server starts it afresh: UTF-8 and CR LF
// unless asked, no mark, and never the server's file's quiet changes.
TEST_F(ServerSave, ASaveElsewhereIsNoSaveIntoTheOwnFile) {
    const Document current = opened(
        "\xEF\xBB\xBF"
        "a: 1\n");
    const SaveRequest local{.path = QStringLiteral("/srv/q/sockets.yml")};
    EXPECT_FALSE(documents::ownFile(local, current));
    const SaveRequest other{.path = current.path, .place = QStringLiteral("survival")};
    EXPECT_FALSE(documents::ownFile(other, current));
    const storage::TextFormat format = documents::formatForWrite(other, current);
    EXPECT_FALSE(format.bom);
    EXPECT_EQ(format.lineEnd, LineEnd::Lf);  // the document's own line ends, as a copy of it
    // A local save never writes a server's path as a local one.
    SaveInput in = input(QStringLiteral("a: 1\n"), current, own(current));
    EXPECT_EQ(documents::save(in).outcome.refusal, Refusal::Io);
}

}  // namespace
