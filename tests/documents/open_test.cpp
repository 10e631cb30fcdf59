#include "documents/open.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "scratch.h"

namespace {

using storage::Encoding;
using storage::LineEnd;

TEST(Open, TellsWhatWasReadAndWhatTheDocumentBecomes) {
    QTemporaryDir dir;
    const QString file = dir.filePath("socket.yml");
    scratch::write(file, "a: 1\r\nb: \xBA\xEC\r\nc: 3");
    const documents::Read read = documents::read(file, std::nullopt);
    const documents::Outcome outcome = documents::opened(file, read);
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.lines, 3);
    EXPECT_EQ(outcome.message, QString("已打开 %1（GBK，3 行）").arg(file));
    EXPECT_EQ(outcome.warning, QString());
    const documents::Document document = documents::documentOf(file, read);
    EXPECT_EQ(document.format.encoding, Encoding::Gbk);
    EXPECT_EQ(document.format.lineEnd, LineEnd::CrLf);
    EXPECT_FALSE(document.lostBytes);
    EXPECT_EQ(documents::otherEncoding(document), Encoding::Utf8);

    const documents::Read asUtf8 = documents::read(file, Encoding::Utf8);
    EXPECT_EQ(documents::opened(file, asUtf8).warning,
              QString("第 2 行有 UTF-8 编码无法识别的字节，已显示为“\uFFFD”。直接保存会丢失这些字节。"));
    EXPECT_TRUE(documents::documentOf(file, asUtf8).lostBytes);

    const documents::Outcome missing =
        documents::opened(dir.filePath("none.yml"), documents::read(dir.filePath("none.yml"), {}));
    EXPECT_EQ(missing.refusal, documents::Refusal::Io);
    EXPECT_EQ(missing.message, "无法打开：文件不存在：" + dir.filePath("none.yml"));
}

TEST(Open, NamesFormatsOneWay) {
    EXPECT_EQ(documents::describe({Encoding::Utf8, true, LineEnd::CrLf}), QString("UTF-8（带 BOM） · CR LF"));
    EXPECT_EQ(documents::describe({Encoding::Gbk, false, LineEnd::Lf}), QString("GBK · LF"));
    for (const Encoding encoding : {Encoding::Utf8, Encoding::Gbk})
        EXPECT_EQ(storage::encodingNamed(storage::encodingName(encoding)), encoding);
    for (const LineEnd lineEnd : {LineEnd::Lf, LineEnd::CrLf})
        EXPECT_EQ(storage::lineEndNamed(storage::lineEndName(lineEnd)), lineEnd);
    EXPECT_EQ(storage::encodingNamed(u"utf8"), std::nullopt);
    EXPECT_EQ(storage::lineEndNamed(u"CR LF"), std::nullopt);
    EXPECT_EQ(documents::lineCount(""), 0);
    EXPECT_EQ(documents::lineCount("a\nb"), 2);
    EXPECT_EQ(documents::lineCount("a\nb\n"), 2);
}

}  // namespace
