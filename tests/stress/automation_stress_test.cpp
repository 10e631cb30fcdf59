// The automation interface fed random and malformed lines: bytes that are not UTF-8,
// requests cut short or with bytes flipped, huge strings, values of the wrong type, unknown
// ops, controls and windows, and valid requests mixed in so the lines also reach the
// widgets. Every line must get a JSON object reply with a boolean "ok" (and a non-empty
// "error" when it is false) that serialises to one line of JSON, and nothing may crash.
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <map>

#include "forms/windows.h"
#include "stress_support.h"
#include "ui/automation/script_runner.h"
#include "ui/loader/live_window.h"
#include "ui/panels/panel.h"
#include "ui_test_support.h"

namespace {

const std::vector<std::uint32_t> kWindows = {forms::kMainWindowId, forms::kPassiveSkillWindowId,
                                             forms::kAttributeVariablesWindowId, forms::kAttributeListWindowId,
                                             forms::kMoreCommandsWindowId};

class LineMaker {
public:
    LineMaker(stress::Random& random, const ui::Runtime& runtime) : random_(random), runtime_(runtime) {}

    QByteArray line() {
        switch (random_.between(0, 9)) {
        case 4:
        case 5:
        case 6:
        case 7: return wellFormed();
        case 0: return QByteArray::fromStdString(random_.bytes(200));  // any bytes
        case 1: {                                                      // cut short
            const QByteArray whole = request();
            return whole.left(random_.between(0, static_cast<int>(whole.size())));
        }
        case 2: {  // bytes flipped
            QByteArray bytes = request();
            for (int i = random_.between(1, 4); i > 0 && !bytes.isEmpty(); --i)
                bytes[random_.between(0, static_cast<int>(bytes.size()) - 1)] = static_cast<char>(random_.bits());
            return bytes;
        }
        case 3: return oddLine();
        default: return request();
        }
    }

private:
    // A request a careful script would send: a loaded window, a control of the kind the op
    // wants, values of the right type (the values themselves still random).
    QByteArray wellFormed() {
        using forms::Kind;
        static const std::vector<std::pair<QString, std::vector<Kind>>> kOps = {
            {"set", {Kind::EditBox}},
            {"set", {Kind::EditBox}},
            {"select", {Kind::ComboBox}},
            {"toggle", {Kind::CheckBox}},
            {"click", {Kind::Button}},
            {"click", {Kind::Button}},
            {"click", {Kind::Button}},
            {"text", {Kind::EditBox, Kind::Label, Kind::Button, Kind::ComboBox, Kind::GroupBox, Kind::CheckBox}},
            {"selection", {Kind::ComboBox, Kind::PageControl, Kind::CheckBox}},
            {"page", {}},
            {"clipboard", {}},
            {"windows", {}}};
        const auto& [op, kinds] = random_.pick(kOps);
        QJsonObject object{{"op", op}};
        const std::vector<ui::LiveWindow*>& loaded = runtime_.windows();
        if (loaded.empty()) return QJsonDocument(object).toJson(QJsonDocument::Compact);
        const forms::Window& form = random_.pick(loaded)->form();
        object.insert(QStringLiteral("window"), QStringLiteral("0x%1").arg(form.id, 8, 16, QLatin1Char('0')));
        std::vector<const forms::Unit*> units;
        for (const forms::Unit& unit : form.units)
            if (std::find(kinds.begin(), kinds.end(), unit.kind) != kinds.end()) units.push_back(&unit);
        if (!units.empty()) {
            const forms::Unit& unit = *random_.pick(units);
            object.insert(QStringLiteral("control"),
                          QString::fromUtf8(unit.name.data(), static_cast<qsizetype>(unit.name.size())));
            const int count = static_cast<int>(unit.items.size());
            object.insert(QStringLiteral("index"), random_.between(-3, count + 3));
        } else {
            object.insert(QStringLiteral("index"), random_.between(-2, 10));
        }
        object.insert(QStringLiteral("text"), random_.percent(2) ? random_.huge(100 * 1024) : random_.text(0));
        object.insert(QStringLiteral("checked"), random_.percent(50));
        return QJsonDocument(object).toJson(QJsonDocument::Compact);
    }

    QByteArray request() {
        QJsonObject object;
        if (!random_.percent(5)) object.insert(QStringLiteral("op"), op());
        if (random_.percent(60)) object.insert(QStringLiteral("window"), window());
        if (random_.percent(85)) object.insert(QStringLiteral("control"), control());
        if (random_.percent(60)) object.insert(QStringLiteral("text"), textValue());
        if (random_.percent(60)) object.insert(QStringLiteral("index"), indexValue());
        if (random_.percent(5)) object.insert(QString::fromStdString(random_.bytes(8)), QStringLiteral("extra"));
        return QJsonDocument(object).toJson(random_.percent(50) ? QJsonDocument::Compact : QJsonDocument::Indented);
    }

    QJsonValue op() {
        static const std::vector<QString> kOps = {"set",       "set",
                                                  "set",       "select",
                                                  "select",    "click",
                                                  "click",     "click",
                                                  "text",      "selection",
                                                  "clipboard", "page",
                                                  "page",      "windows",
                                                  "toggle",    "close",
                                                  "dump",      "",
                                                  "SET",       "Set ",
                                                  "fly",       QStringLiteral("set\u0000")};
        switch (random_.between(0, 9)) {
        case 0: return wrongType();
        case 1: return random_.text(0);
        default: break;
        }
        const QString op = random_.pick(kOps);
        // Closing the main window or dumping every unit is rare, as in real scripts.
        if ((op == QLatin1String("close") || op == QLatin1String("dump")) && random_.percent(70)) return "text";
        return op;
    }

    QJsonValue window() {
        switch (random_.between(0, 9)) {
        case 0: return wrongType();
        case 1: {
            static const std::vector<QString> kBad = {"0x",         "0xZZ", "52010001",   "0x1FFFFFFFF", " 0x52010001 ",
                                                      "0X520100fb", "0x-1", "0x52010002", "0x00000000",  "x52010001"};
            return random_.pick(kBad);
        }
        case 2: return random_.text(0);
        default: {
            QString id = QStringLiteral("0x%1").arg(random_.pick(kWindows), 8, 16, QLatin1Char('0'));
            return random_.percent(50) ? id.toUpper().replace(QLatin1String("0X"), QLatin1String("0x")) : id;
        }
        }
    }

    QJsonValue control() {
        switch (random_.between(0, 9)) {
        case 0: return wrongType();
        case 1: return random_.text(0);
        case 2: return QStringLiteral("按钮999");
        default: {
            const forms::Window& form =
                *forms::findWindow(random_.percent(70) ? forms::kMainWindowId : random_.pick(kWindows));
            const int index = random_.between(0, static_cast<int>(form.units.size()) - 1);
            return QString::fromUtf8(form.units[static_cast<std::size_t>(index)].name.data(),
                                     static_cast<qsizetype>(form.units[static_cast<std::size_t>(index)].name.size()));
        }
        }
    }

    QJsonValue textValue() {
        switch (random_.between(0, 9)) {
        case 0: return wrongType();
        case 1: return random_.huge(random_.between(1000, 200'000));
        default: return random_.text(1);
        }
    }

    QJsonValue indexValue() {
        static const std::vector<double> kOdd = {
            -1,  -2,   8,     100,    2147483647.0,       2147483648.0, -2147483649.0,
            1.5, -0.0, 1e300, -1e300, 9007199254740993.0, 4.9e-324};
        switch (random_.between(0, 5)) {
        case 0: return wrongType();
        case 1: return random_.pick(kOdd);
        default: return random_.between(-1, 12);
        }
    }

    QJsonValue wrongType() {
        switch (random_.between(0, 6)) {
        case 0: return QJsonValue::Null;
        case 1: return true;
        case 2: return random_.between(-5, 5);
        case 3: return 0.5;
        case 4: return QJsonArray{"set", 1};
        case 5: return QJsonObject{{"op", "click"}};
        default: return QStringLiteral("2");
        }
    }

    // Lines no well-behaved script would send.
    QByteArray oddLine() {
        static const std::vector<QByteArray> kOdd = {
            "",
            " ",
            "{",
            "}",
            "[]",
            "null",
            "1",
            "\"set\"",
            "{}",
            "{\"op\":null}",
            "{\"op\":\"set\"",
            "{\"op\":\"set\",\"op\":\"click\",\"control\":\"按钮1\"}",
            "\xEF\xBB\xBF{\"op\":\"windows\"}",
            "{\"op\":\"windows\"} trailing",
            "{\"op\":\"text\",\"control\":\"\\ud800\"}",
            "{\"op\":\"set\",\"control\":\"编辑框2\",\"text\":\"\\u0000\\ud83d\\ude00\\udc00\"}",
            "{\"op\":\"select\",\"control\":\"组合框1\",\"index\":1e999}",
            "{\"op\":\"page\",\"index\":-0}",
            "{\"op\":\"click\",\"control\":\"按钮1\"}\r",
            "{\"op\":\"set\",\"control\":\"编\xff框2\",\"text\":\"x\"}",
            "{\"op\":\"set\",\"control\":\"编辑框2\",\"text\":\"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\"}",
            "{\"op\":\"text\",\"control\":\"编辑框2\"}\n{\"op\":\"windows\"}",
            QByteArray("\x00{}", 3),
            "{\"op\":\"te\\xt\"}"};
        switch (random_.between(0, 3)) {
        case 0: return {random_.between(1, 3000), '['};  // nesting too deep
        case 1:
            return "{\"op\":\"set\",\"control\":\"编辑框2\",\"text\":\"" + QByteArray(random_.between(1, 300'000), 'x');
        default: return random_.pick(kOdd);
        }
    }

    stress::Random& random_;
    const ui::Runtime& runtime_;
};

class AutomationStress : public testing_support::EditorTest {};

TEST_F(AutomationStress, EveryLineGetsOneJsonReply) {
    const auto [seed, lines] = stress::announceRun("automation stress", 20240612, 4000);
    const stress::QuietPlatformWarnings quiet;
    stress::Random random(seed);
    LineMaker maker(random, *runtime);
    std::map<QString, int> accepted;
    int refused = 0;

    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < lines && !HasFailure(); ++n) {
        const QByteArray line = maker.line();
        SCOPED_TRACE(::testing::Message() << "line " << n << ", seed " << seed << ": " << line.left(200).toStdString());
        const QJsonObject reply = runLine(line);
        const QJsonValue ok = reply.value(QStringLiteral("ok"));
        ASSERT_TRUE(ok.isBool()) << QJsonDocument(reply).toJson().left(300).toStdString();
        if (ok.toBool()) {
            EXPECT_FALSE(reply.contains(QStringLiteral("error")));
            const QJsonDocument request = QJsonDocument::fromJson(line);
            ++accepted[request.object().value(QStringLiteral("op")).toString()];
        } else {
            ++refused;
            EXPECT_TRUE(reply.value(QStringLiteral("error")).isString());
            EXPECT_FALSE(reply.value(QStringLiteral("error")).toString().isEmpty());
        }
        // What the script's reader gets: one line that parses back to an object.
        const QByteArray written = QJsonDocument(reply).toJson(QJsonDocument::Compact);
        EXPECT_FALSE(written.contains('\n'));
        QJsonParseError error{};
        const QJsonDocument back = QJsonDocument::fromJson(written, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_TRUE(back.isObject());

        settle();
        // A script may close the main window; the next lines then find it reopened, or not.
        if (runtime->window(forms::kMainWindowId) == nullptr && random.percent(50)) {
            main = runtime->open(forms::kMainWindowId);
            ASSERT_NE(main, nullptr);
        }
        // Keep the panels small enough that each line stays quick.
        for (ui::LiveWindow* live : runtime->windows())
            for (QPlainTextEdit* panel : live->findChildren<QPlainTextEdit*>())
                if (!panel->isReadOnly() && panel->document()->characterCount() > 150'000) ui::clearPanel(panel);
    }
    std::printf("automation stress: %lld ms, %d refused, accepted:", static_cast<long long>(timer.elapsed()), refused);
    for (const auto& [op, count] : accepted) std::printf(" %s %d", op.toUtf8().constData(), count);
    std::printf("\n");
}

}  // namespace
