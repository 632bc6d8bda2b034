// The shared block of single-instance mode: its layout, the instance name, and
// the argument area as a writer fills it and a reader takes it apart.
#include <gtest/gtest.h>

#include <cstring>

#include "modes/instance_block.h"

namespace {

using Strings = std::vector<std::wstring>;

struct Area {
    uint16_t units[1040];
    Area() { std::memset(units, 0xAB, sizeof units); }
};

Strings roundTrip(const Strings& arguments) {
    Area area;
    EXPECT_TRUE(encodeArguments(arguments, area.units));
    return decodeArguments(area.units);
}

TEST(InstanceBlock, LayoutAndName) {
    InstanceBlock block;
    const unsigned char* base = reinterpret_cast<const unsigned char*>(&block);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&block.listenerThreadId) - base, 0);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&block.processId) - base, 4);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&block.messageId) - base, 8);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&block.arguments[0]) - base, 12);
    EXPECT_EQ(sizeof block, 2092u);

    EXPECT_EQ(instanceNameFor(L"D:\\Apps\\Tool\\tool.exe"), L"D:_Apps_Tool_tool.exe");
    EXPECT_EQ(instanceNameFor(L"\\\\srv\\share\\a b\\x.exe"), L"__srv_share_a b_x.exe");
    EXPECT_NE(instanceNameFor(L"C:\\one\\app.exe"), instanceNameFor(L"C:\\two\\app.exe"));
}

TEST(ArgumentBlock, EncodingIsUnitsEachEndedByZeroThenOneMoreZero) {
    Area area;
    ASSERT_TRUE(encodeArguments({L"ab", L"\u00e9\u4e2d"}, area.units));
    const uint16_t expected[] = {'a', 'b', 0, 0xE9, 0x4E2D, 0, 0};
    EXPECT_EQ(std::memcmp(area.units, expected, sizeof expected), 0);
    // The writer clears its 1040 bytes and leaves the rest of the area alone.
    for (size_t i = 7; i < 520; ++i) ASSERT_EQ(area.units[i], 0) << i;
    for (size_t i = 520; i < 1040; ++i) ASSERT_EQ(area.units[i], 0xABAB) << i;
    EXPECT_EQ(encodedArgumentBytes({L"ab", L"\u00e9\u4e2d"}), 14u);
    EXPECT_EQ(encodedArgumentBytes({}), 2u);
}

TEST(ArgumentBlock, RoundTripsInOrder) {
    EXPECT_EQ(roundTrip({L"-x", L"with space", L"\"quoted\"", L"\u00fcber"}),
              (Strings{L"-x", L"with space", L"\"quoted\"", L"\u00fcber"}));
    EXPECT_EQ(roundTrip({L"one"}), Strings{L"one"});
}

TEST(ArgumentBlock, NoArgumentsGiveOneEmptyStringAndAnEmptyOneEndsTheList) {
    EXPECT_EQ(roundTrip({}), Strings{L""});
    EXPECT_EQ(roundTrip({L"a", L"", L"b"}), Strings{L"a"});
    EXPECT_EQ(roundTrip({L"a", L"b", L""}), (Strings{L"a", L"b"}));
    // An empty first argument is a single 0 unit: the list goes on.
    EXPECT_EQ(roundTrip({L"", L"b"}), (Strings{L"", L"b"}));
}

TEST(ArgumentBlock, TheWriterTakesExactly1040Bytes) {
    // One argument of 518 units: 2 * 518 + 2 + 2 = 1040 bytes.
    std::wstring fits(518, L'f');
    EXPECT_EQ(roundTrip({fits}), Strings{fits});
    // Many short ones: 172 x "ab" (6 bytes each) + "xy" (6) + 2 = 1040 bytes.
    Strings many(172, L"ab");
    many.push_back(L"xy");
    EXPECT_EQ(encodedArgumentBytes(many), 1040u);
    EXPECT_EQ(roundTrip(many), many);
    many.back() = L"xyz";
    Area full;
    EXPECT_FALSE(encodeArguments(many, full.units));

    Area area;
    std::wstring tooLong(519, L't');  // 1042 bytes
    EXPECT_FALSE(encodeArguments({tooLong}, area.units));
    EXPECT_EQ(area.units[0], 0xABAB);  // refused before anything was written
    EXPECT_FALSE(encodeArguments({std::wstring(300, L'a'), std::wstring(300, L'b')}, area.units));
}

TEST(ArgumentBlock, TheReaderStopsBeforeOffset2090) {
    // A writer of another build could fill the whole area: the reader looks at
    // 1039 units (offsets 12 to 2088) and drops a string not ended by then.
    Area area;
    for (uint16_t& u : area.units) u = 'z';
    EXPECT_EQ(decodeArguments(area.units), Strings{});

    // A string ended by a 0 at offset 2088 (the last unit read) is kept.
    for (uint16_t& u : area.units) u = 'z';
    area.units[1038] = 0;
    Strings one = decodeArguments(area.units);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], std::wstring(1038, L'z'));

    // A 0 at offset 2090 (unit 1039) is never seen.
    for (uint16_t& u : area.units) u = 'z';
    area.units[1039] = 0;
    EXPECT_EQ(decodeArguments(area.units), Strings{});

    // Strings ended by single zeros go on until the double zero or the bound.
    for (uint16_t& u : area.units) u = 'y';
    area.units[1] = 0;
    area.units[3] = 0;
    EXPECT_EQ(decodeArguments(area.units), (Strings{L"y", L"y"}));
}

// The second instance's wait, against a scripted first instance.
struct ScriptedFirst {
    std::vector<bool> replies;  // per poll: whether the reply is taken then
    int replyValue = 0;
    int runningPolls = 0;       // polls during which the first instance runs
    FirstState endState = FirstState::Ended;
    int exitCode = 0;
    size_t polls = 0;
    std::vector<unsigned> sleeps;

    bool takeReply(int& result) {
        bool reply = polls < replies.size() && replies[polls];
        ++polls;
        if (reply) result = replyValue;
        return reply;
    }
    FirstState firstState(int& code) {
        if (runningPolls > 0) {
            --runningPolls;
            return FirstState::Running;
        }
        if (endState == FirstState::Ended) code = exitCode;
        return endState;
    }
    void sleep(unsigned ms) { sleeps.push_back(ms); }
};

TEST(WaitForAnswer, TheReplyCarriesTheResult) {
    ScriptedFirst first;
    first.replies = {false, false, true};
    first.replyValue = 7;
    first.runningPolls = 100;
    EXPECT_EQ(waitForAnswer(first), 7);
    EXPECT_EQ(first.sleeps, (std::vector<unsigned>{100, 100}));
}

TEST(WaitForAnswer, TheFirstInstanceEndingGivesItsExitCode) {
    ScriptedFirst first;
    first.runningPolls = 3;
    first.exitCode = 259;  // the platform's still-active value, as a real exit code
    EXPECT_EQ(waitForAnswer(first), 259);
    EXPECT_EQ(first.sleeps.size(), 3u);

    ScriptedFirst ended;
    ended.exitCode = -5;
    EXPECT_EQ(waitForAnswer(ended), -5);
    EXPECT_TRUE(ended.sleeps.empty());
}

TEST(WaitForAnswer, AnUnreadableExitCodeGivesMinusOne) {
    ScriptedFirst first;
    first.runningPolls = 1;
    first.endState = FirstState::Unknown;
    EXPECT_EQ(waitForAnswer(first), -1);
}

}  // namespace
