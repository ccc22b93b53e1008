#include "Entry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedMessages.h"

namespace tservice {
namespace {

using testing::ScriptedMessages;

// Records what the reaction does to the field, together with how many beeps
// and messages had happened at that moment, so the order is checked.
class RecordingField : public IEntryField {
public:
    explicit RecordingField(const ScriptedMessages& m, std::string text = "") : m_(m), text_(std::move(text)) {}
    void SetRed() override { log.push_back(Stamp("red")); }
    void SetWhite() override { log.push_back(Stamp("white")); }
    std::string Text() const override { return text_; }
    void SetText(const std::string& t) override {
        text_ = t;
        log.push_back(Stamp("text=" + t));
    }
    std::vector<std::string> log;

private:
    std::string Stamp(const std::string& what) const {
        return what + " b" + std::to_string(m_.beeps) + " m" + std::to_string(m_.plains.size());
    }
    const ScriptedMessages& m_;
    std::string text_;
};

TEST(EntryReaction, RedBeepMessageWhiteEmptyInThatOrder) {
    ScriptedMessages m;
    RecordingField f(m, "12abc");
    ShowEntryError(f, m);
    EXPECT_EQ(f.log, (std::vector<std::string>{"red b0 m0", "white b1 m1", "text= b1 m1"}));
    EXPECT_EQ(m.plains, std::vector<std::string>{" Ошибка ввода "});
    EXPECT_TRUE(m.boxes.empty());
    EXPECT_EQ(f.Text(), "");
}

struct TextCase {
    const char* text;
    int kind;
    int rule;  // 0 accepted
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << "«" << c.text << "» kind " << c.kind; }

class EntryText : public ::testing::TestWithParam<TextCase> {};

TEST_P(EntryText, JudgedByTheFirstRuleThatApplies) {
    const TextCase& c = GetParam();
    EXPECT_EQ(JudgeEntryText(c.text, c.kind, -50.0f, 150.0f), c.rule) << "«" << c.text << "» kind " << c.kind;
}

INSTANTIATE_TEST_SUITE_P(Rules, EntryText, ::testing::Values(
    // rule 1
    TextCase{"", 2, 1}, TextCase{"", 0, 1},
    // rule 2: commas
    TextCase{"12,5", 2, 0}, TextCase{"12,", 0, 2}, TextCase{",5,", 0, 2}, TextCase{"1,2,3", 0, 2},
    TextCase{",", 0, 2}, TextCase{",5", 0, 0}, TextCase{",5", 2, 0},
    // rule 3: the comma key typed in the wrong layout
    TextCase{"б", 0, 3}, TextCase{"Б", 0, 3}, TextCase{"?", 0, 3}, TextCase{"12б5", 0, 3},
    TextCase{"1?", 2, 3},
    // rule 4: minus signs
    TextCase{"-5", 0, 0}, TextCase{"5-", 0, 4}, TextCase{"--5", 0, 4}, TextCase{"-", 0, 4},
    TextCase{"-,", 0, 2}, TextCase{"-,5", 0, 0},
    // rule 5: bounds of the kinds
    TextCase{"-5", 2, 5}, TextCase{"-5", 3, 5}, TextCase{"-5", 4, 5}, TextCase{"-5", 1, 0},
    TextCase{"150", 1, 0}, TextCase{"-50", 1, 0}, TextCase{"150,1", 1, 5}, TextCase{"-50,5", 1, 5},
    TextCase{"100", 2, 0}, TextCase{"100,01", 2, 5}, TextCase{"0", 2, 0},
    TextCase{"9999", 3, 0}, TextCase{"10000", 3, 5},
    TextCase{"20", 4, 0}, TextCase{"0", 4, 0}, TextCase{"20,01", 4, 5},
    TextCase{"-99999", 7, 0},
    // no number although the character rules pass (a paste)
    TextCase{"12abc", 0, 5}, TextCase{"1a", 2, 5}, TextCase{"12.5", 2, 5}, TextCase{" 12", 2, 5},
    // beyond the seventh character only the number itself is judged
    TextCase{"1234567,", 0, 5}, TextCase{"1234567-", 0, 5}, TextCase{"1234567б", 0, 5},
    TextCase{"1234,567", 0, 0}, TextCase{"123456,5", 0, 0}, TextCase{"1234567,5", 0, 0}));

TEST(EntryText, Kind1UsesTheGivenLimits) {
    EXPECT_EQ(JudgeEntryText("100", 1, 0.0f, 100.0f), 0);
    EXPECT_EQ(JudgeEntryText("100,5", 1, 0.0f, 100.0f), 5);
    EXPECT_EQ(JudgeEntryText("-51", 1, -50.0f, 150.0f), 5);
    EXPECT_EQ(JudgeEntryTextIn("32767", -32767, 32767), 0);
    EXPECT_EQ(JudgeEntryTextIn("-32768", -32767, 32767), 5);
}

TEST(EntryParse, CommaNumbers) {
    const struct { const char* text; bool ok; double value; } kCases[] = {
        {"-12,5", true, -12.5}, {",5", true, 0.5}, {"12", true, 12}, {"-,5", true, -0.5},
        {"007", true, 7}, {"", false, 0}, {"-", false, 0}, {",", false, 0}, {"1,2,3", false, 0},
        {"1a", false, 0}, {"12,", false, 0}, {"+1", false, 0}, {"1e5", false, 0}, {"1-", false, 0}, {"12 ", false, 0},
    };
    for (const auto& c : kCases) {
        double v = 42;
        EXPECT_EQ(ParseDecimalComma(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : 42) << c.text;
    }
}

TEST(EntryCheck, RejectedTextRunsTheReactionAndEmptiesTheField) {
    ScriptedMessages m;
    DeviceImage img;
    img.TMin = -50;
    img.TMax = 150;
    RecordingField ok(m, "150");
    EXPECT_EQ(CheckEntry(ok, 1, img, m), 0);
    EXPECT_EQ(ok.Text(), "150");
    EXPECT_EQ(m.beeps, 0);

    RecordingField bad(m, "150,1");
    EXPECT_EQ(CheckEntry(bad, 1, img, m), 1);
    EXPECT_EQ(bad.Text(), "");
    EXPECT_EQ(m.beeps, 1);
    EXPECT_EQ(m.plains.size(), 1u);

    RecordingField paste(m, "12abc");
    EXPECT_EQ(CheckEntry(paste, 2, img, m), 1);
    EXPECT_EQ(paste.Text(), "");
}

// The key table, one row per key, for both filters.
struct KeyRow {
    int vk;
    KeyVerdict intKey;
    KeyVerdict numNoShift;
    KeyVerdict numShift;
};

constexpr KeyVerdict A = KeyVerdict::Accept, F = KeyVerdict::Fault;

const KeyRow kKeyRows[] = {
    {0x30, A, A, F}, {0x35, A, A, F}, {0x39, A, A, F},   // main-row digits
    {0x60, A, A, F}, {0x69, A, A, F},                    // pad digits
    {0x08, A, A, A}, {0x2E, A, A, A},                    // Backspace, Delete
    {0x10, A, A, A}, {0x11, A, A, A},                    // Shift, Ctrl
    {0x25, A, A, A}, {0x27, A, A, A},                    // Left, Right
    {0x90, A, A, A}, {0x14, A, A, A},                    // NumLock, CapsLock
    {0x6E, F, A, A},                                     // pad decimal
    {0xBC, F, A, F},                                     // comma key
    {0xBF, F, F, A},                                     // slash key
    {0xBD, F, A, F},                                     // minus key
    {0x6D, F, A, A},                                     // pad minus
    {0x41, F, F, F}, {0x5A, F, F, F},                    // letters
    {0x24, F, F, F}, {0x23, F, F, F},                    // Home, End
    {0x26, F, F, F}, {0x28, F, F, F},                    // Up, Down
    {0x12, F, F, F}, {0xBE, F, F, F}, {0x20, F, F, F},   // Alt, period, space
    {0x09, F, F, F}, {0x6B, F, F, F}, {0x00, F, F, F},   // Tab, pad plus, unknown
};

// Each row through both filters: the verdict, and on a fault the reaction.
TEST(EntryKeys, TableRowByRow) {
    using Filter = std::function<int(IEntryField&, int, IMessages&)>;
    const std::pair<Filter, KeyVerdict KeyRow::*> kFilters[] = {
        {[](IEntryField& f, int k, IMessages& m) { return CheckIntKey(f, k, m); }, &KeyRow::intKey},
        {[](IEntryField& f, int k, IMessages& m) { return CheckNumKey(f, k, false, m); }, &KeyRow::numNoShift},
        {[](IEntryField& f, int k, IMessages& m) { return CheckNumKey(f, k, true, m); }, &KeyRow::numShift},
    };
    ScriptedMessages m;
    for (const KeyRow& r : kKeyRows) {
        for (const auto& [filter, column] : kFilters) {
            m.Reset();
            RecordingField f(m, "7");
            const bool fault = r.*column == KeyVerdict::Fault;
            EXPECT_EQ(filter(f, r.vk, m), fault ? 1 : 0) << "vk 0x" << std::hex << r.vk;
            EXPECT_EQ(m.beeps, fault ? 1 : 0);
            EXPECT_EQ(f.Text(), fault ? "" : "7");
        }
    }
}

TEST(EntryKeys, EnterOnEmptyIsAFaultAndWithTextMovesOn) {
    ScriptedMessages m;
    RecordingField empty(m, "");
    EXPECT_EQ(CheckNumKey(empty, 0x0D, false, m), 1);
    EXPECT_EQ(m.plains, std::vector<std::string>{" Ошибка ввода "});
    RecordingField emptyInt(m, "");
    EXPECT_EQ(CheckIntKey(emptyInt, 0x0D, m), 1);
    EXPECT_EQ(m.beeps, 2);

    m.Reset();
    RecordingField full(m, "12");
    EXPECT_EQ(CheckNumKey(full, 0x0D, true, m), 13);
    EXPECT_EQ(CheckIntKey(full, 0x0D, m), 13);
    EXPECT_EQ(full.Text(), "12");
    EXPECT_EQ(m.beeps, 0);
    EXPECT_TRUE(full.log.empty());
}

TEST(EntryKeys, ShiftDigitFaultsOnlyInTheDecimalFilter) {
    ScriptedMessages m;
    RecordingField setpoint(m, "1");
    EXPECT_EQ(CheckNumKey(setpoint, 0x35, true, m), 1);
    RecordingField coefficient(m, "1");
    EXPECT_EQ(CheckIntKey(coefficient, 0x35, m), 0);
    EXPECT_EQ(coefficient.Text(), "1");
}

}  // namespace
}  // namespace tservice
