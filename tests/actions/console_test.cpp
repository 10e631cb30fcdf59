// The console rules: what the server console receives for a panel line, which lines it
// cannot run, and the panel's lines with their numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "actions/action.h"
#include "actions/console.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (const actions::PanelLine& line : actions::nonEmptyLines(text)) lines.emplace_back(line.text);
    return lines;
}

// Every field filled, every list on its first item, every box ticked: each button writes all
// the lines it can.
actions::Inputs filledIn(const actions::Action& action) {
    actions::Inputs inputs;
    inputs.texts.assign(action.texts.size(), "1");
    inputs.selections.assign(action.selections.size(), 0);
    inputs.checks.assign(action.checks.size(), true);
    return inputs;
}

// The rule against the builders themselves: whatever a command button writes acts on the
// item in hand, except the /socket load lines, which name a player. A new builder row whose
// command the table misses fails here.
TEST(ConsoleRules, EveryBuiltCommandLineIsJudged) {
    int sent = 0;
    int refused = 0;
    for (const actions::Action* action : actions::all()) {
        if (action->panel != actions::Panel::Command) continue;
        for (const std::string& line : linesOf(action->build(filledIn(*action)))) {
            const std::string why = actions::whyNotFromConsole(line);
            if (line.starts_with("/socket load ")) {
                EXPECT_EQ(why, "") << action->button << ": " << line;
                ++sent;
            } else {
                EXPECT_NE(why, "") << action->button << ": " << line;
                ++refused;
            }
        }
    }
    EXPECT_EQ(sent, 3);      // gems, remove rod, unlock rod
    EXPECT_GT(refused, 60);  // the /att rows, /setname, /addlore, /socket add, the designer's lines
}

TEST(ConsoleRules, ItemDesignerSequenceIsRefusedLineByLine) {
    const actions::Action* designer = actions::itemActions().data();
    const std::vector<std::string> lines = linesOf(designer->build(filledIn(*designer)));
    const std::vector<std::string> commands = {"/setname",      "/clearlore",   "/addlore",
                                               "/clearenchant", "/addenchant",  "/clearflag",
                                               "/addflag",      "/unbreakable", "/quorvel save"};
    for (const std::string& command : commands) {
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.starts_with(command + " ") || l == command;
        });
        ASSERT_NE(line, lines.end()) << command << " is not among the designer's lines";
        const std::string why = actions::whyNotFromConsole(*line);
        EXPECT_NE(why.find(command), std::string::npos) << why;
        EXPECT_NE(why.find("手中的物品"), std::string::npos) << why;
    }
}

struct Judged {
    const char* line;
    bool sent;
};

std::ostream& operator<<(std::ostream& out, const Judged& j) { return out << '"' << j.line << '"'; }

class ConsoleLines : public testing::TestWithParam<Judged> {};

TEST_P(ConsoleLines, SentOrRefused) {
    const std::string why = actions::whyNotFromConsole(GetParam().line);
    EXPECT_EQ(why.empty(), GetParam().sent) << GetParam().line << " -> " << why;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, ConsoleLines, testing::Values(
    // Named players: the console can give them things.
    Judged{"/socket load gems ruby 1 Steve\r\n",      true},
    Judged{"/socket load rod remove Steve 2",         true},
    Judged{"/socket load rod unlock Alex 1",          true},
    // ... not without the player.
    Judged{"/socket load gems ruby 1",                false},
    Judged{"/socket load rod unlock Alex",            false},
    // The item in hand, in any case, with the plugin's prefix, after blanks.
    Judged{"/att Stats DAMAGE 10\r\n",                false},
    Judged{"/ATT Stats DAMAGE 10",                    false},
    Judged{"  /quorvel:setname §c剑",                 false},
    Judged{"/socket add empty",                       false},
    Judged{"/socket add locked 2",                    false},
    Judged{"/attribute element fire 2 3",             false},
    Judged{"/setlore 2 hi",                           false},
    Judged{"/quorvel detail",                         false},
    Judged{"/quorvel repair",                         false},
    // Whole words only: these are other commands.
    Judged{"/attack",                                 true},
    Judged{"/setnames x",                             true},
    Judged{"/socket addon",                           true},
    // Server commands and the plugin's own that touch no hand.
    Judged{"/quorvel reload",                         true},
    Judged{"/list",                                   true},
    Judged{"say 大家好",                               true},
    // Nothing to run.
    Judged{"/",                                       false},
    Judged{"  \r\n",                                  false}
));
// clang-format on

TEST(ConsoleRules, PlayerReasonNamesWhatIsMissing) {
    EXPECT_EQ(actions::whyNotFromConsole("/socket load gems ruby 1"),
              "从控制台发送时 /socket load gems 要写明玩家名：<宝石识别名> <数量> <玩家名>");
}

TEST(ConsoleForm, TakesOffSlashAndLineBreakOnly) {
    EXPECT_EQ(actions::consoleForm("/att Stats DAMAGE 10\r\n"), "att Stats DAMAGE 10");
    EXPECT_EQ(actions::consoleForm("/socket load gems 红宝石 1 Steve\n"), "socket load gems 红宝石 1 Steve");
    EXPECT_EQ(actions::consoleForm("  /list"), "list");
    EXPECT_EQ(actions::consoleForm("//wand"), "/wand");  // WorldEdit's own commands keep theirs
    EXPECT_EQ(actions::consoleForm("say §a你好 "), "say §a你好 ");
    EXPECT_EQ(actions::consoleForm("\r\n"), "");
}

TEST(PanelLines, NumbersCountBlankLines) {
    const std::string text = "/list\r\n\r\n  \t\r\n/say 你好\n\t/att Stats DAMAGE 1";
    const std::vector<actions::PanelLine> lines = actions::nonEmptyLines(text);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].number, 1);
    EXPECT_EQ(lines[0].text, "/list");
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[1].text, "/say 你好");
    EXPECT_EQ(lines[2].number, 5);
    EXPECT_EQ(lines[2].text, "\t/att Stats DAMAGE 1");
}

// The panel's own line ends, and nothing else: U+2028 and NEL stay inside their line, as the
// panel keeps them; U+2029 and the frame marks end one, as the panel makes them do.
TEST(PanelLines, EndWhereThePanelEndsALine) {
    const std::string text =
        "say a\u2028op Steve\r\n"  // LS: inside the line
        "say b\u0085op Steve\n"    // NEL: inside the line
        "say c\rsay d\u2029say e\uFDD0say f\uFDD1say g";
    std::vector<std::string> lines;
    std::vector<int> numbers;
    for (const actions::PanelLine& line : actions::nonEmptyLines(text)) {
        lines.emplace_back(line.text);
        numbers.push_back(line.number);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"say a\u2028op Steve", "say b\u0085op Steve", "say c", "say d", "say e",
                                               "say f", "say g"}));
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(actions::isOneLine("say a\u2028op Steve\u0085\v\f"));
    for (const char* twoLines : {"a\nb", "a\rb", "a\u2029b", "a\uFDD0b", "a\uFDD1b", "a\n"})
        EXPECT_FALSE(actions::isOneLine(twoLines)) << twoLines;
}

TEST(PanelLines, NothingFromEmptyOrBlankText) {
    EXPECT_TRUE(actions::nonEmptyLines("").empty());
    EXPECT_TRUE(actions::nonEmptyLines("\r\n\r\n   \n").empty());
    EXPECT_EQ(actions::nonEmptyLines("/list\r\n").size(), 1U);
}

}  // namespace
