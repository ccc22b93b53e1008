// The exchanges of a reading and a write against simulated transmitters: what
// reaches the image, and what may never be written.
#include <gtest/gtest.h>

#include <functional>

#include "SimLinkFixture.h"
#include "Workflow.h"

namespace tservice {
namespace {

struct WorkflowFixture : SimLinkFixture {};

TEST_F(WorkflowFixture, CompleteReadingHoldsTheTransmittersBlock) {
    sim::Transmitter& d = *line.Find(3);
    d.correction = 9;
    int nuCur = 2;
    const ReadOutcome r = ReadTransmitter(link, image, nuCur);
    ASSERT_EQ(r.stage, ReadStage::Done);
    EXPECT_EQ(image.Tip, kTevTp);
    EXPECT_EQ(image.GetLen(), d.blockLen);
    std::array<std::uint8_t, 40> want = d.block;
    want[4] = static_cast<std::uint8_t>((want[4] & 0x0F) | (9 << 4));
    EXPECT_TRUE(std::equal(want.begin(), want.end(), image.Baza.begin() + 1));
    EXPECT_EQ(nuCur, 2);
}

TEST_F(WorkflowFixture, AnswersTooShortForTheirFieldsFailTheReading) {
    // An exception answer with code 0 counts as a normal answer without data.
    line.Find(1)->faults.exceptionCode = 0;
    image.Vvod = 1;
    int nuCur = 0;
    const ReadOutcome r = ReadTransmitter(link, image, nuCur);
    EXPECT_EQ(r.stage, ReadStage::IdentFailed);
    EXPECT_EQ(r.code, kBadHeader);
    EXPECT_EQ(image.Vvod, 0);
    EXPECT_EQ(image.Tip, 0);
}

TEST_F(WorkflowFixture, OversizedCountAndForeignNumberNeverReachTheImage) {
    line.Find(2)->blockLen = 41;
    int nuCur = 1;
    image.Vvod = 1;
    EXPECT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::BadLength);
    EXPECT_EQ(image.Vvod, 0);
    EXPECT_EQ(image.GetLen(), 0);
    for (int i = 1; i < kBazaSize; ++i) EXPECT_EQ(image.Baza[i], 0) << i;

    line.Find(2)->blockLen = 40;
    // Nu 40 is no address; Nu 5 is another transmitter's.
    for (const auto& [nu, stage] : {std::pair{40, ReadStage::BadNumber}, std::pair{5, ReadStage::OtherNumber}}) {
        line.Find(2)->block[11] = static_cast<std::uint8_t>(nu);
        const ReadOutcome r = ReadTransmitter(link, image, nuCur);
        EXPECT_EQ(r.stage, stage);
        EXPECT_EQ(nuCur, 1);
        EXPECT_EQ(image.Vvod, 0);
        EXPECT_EQ(image.GetLen(), 0);
    }
    EXPECT_EQ(port.requests.back()[1], 0x44) << "no measurement after a refused block";
}

TEST_F(WorkflowFixture, WriteNeedsACompleteReadingAndTheSameModelAndVersion) {
    int nuCur = 1;
    EXPECT_EQ(WriteTransmitter(link, image, image, nuCur, 1).stage, WriteStage::NoData);
    EXPECT_TRUE(port.requests.empty());

    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    image.Vvod = 1;
    line.Find(2)->version = 4;
    EXPECT_EQ(WriteTransmitter(link, image, image, nuCur, 1).stage, WriteStage::OtherVersion);
    line.Find(2)->version = 5;
    line.Find(2)->model = kTevTp;
    EXPECT_EQ(WriteTransmitter(link, image, image, nuCur, 1).stage, WriteStage::OtherModel);
    EXPECT_EQ(BlockWrites(), 0);
}

TEST_F(WorkflowFixture, WriteSendsExactlyLenBytesAndFollowsTheNewNumber) {
    int nuCur = 2;
    ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done);
    image.Vvod = 1;
    image.PutTipSign(1);
    image.PutNu(6);
    const std::vector<std::uint8_t> sent(image.Baza.begin() + 1, image.Baza.begin() + 41);
    ASSERT_EQ(WriteTransmitter(link, image, image, nuCur, 6).stage, WriteStage::Done);
    EXPECT_EQ(nuCur, 6);
    ASSERT_EQ(BlockWrites(), 1);
    const sim::Transmitter& d = *line.Find(7);
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), d.block.begin()));
    EXPECT_EQ(port.requests.back()[0], 7);     // the confirmation goes to the new number
    EXPECT_EQ(port.requests.back()[1], 0x0E);
}

TEST_F(WorkflowFixture, WriteWithReadingBackIsDoneOnlyWhenTheSameBlockComesBack) {
    // Device 2 is read, its alarm type edited, then written to number nuNew
    // after change() made the line what the case needs.
    struct Case {
        const char* name;
        int nuNew;
        std::function<void(sim::Line&)> change;
        WriteStage stage;
        int blockWrites;
    };
    const Case cases[] = {
        {"same number", 1, [](sim::Line&) {}, WriteStage::Done, 1},
        {"free new number", 9, [](sim::Line&) {}, WriteStage::Done, 1},
        {"new number answered by device 4", 3, [](sim::Line&) {}, WriteStage::NumberTaken, 0},
        {"new number answered with damage", 3, [](sim::Line& l) { l.Find(4)->faults.corruptCrc = true; },
         WriteStage::NumberTaken, 0},
        {"silent after the block", 1, [](sim::Line& l) { l.Find(2)->faults.muteAfterWrite = true; },
         WriteStage::ConfirmFailed, 1},
        {"block of another length ignored", 1, [](sim::Line& l) { l.Find(2)->blockLen = 39; },
         WriteStage::ReadBackDiffers, 1},
    };
    for (const Case& c : cases) {
        line = sim::Line();
        sim::Line::AddDemoDevices(line);
        port.requests.clear();
        image = DeviceImage();
        int nuCur = 1;
        ASSERT_EQ(ReadTransmitter(link, image, nuCur).stage, ReadStage::Done) << c.name;
        image.Vvod = 1;
        const DeviceImage read = image;
        image.PutTipSign(2);
        if (c.nuNew != nuCur) image.PutNu(c.nuNew);
        const DeviceImage edited = image;
        c.change(line);
        ReadOutcome back;
        const WriteOutcome w = WriteAndReadBack(link, image, read, nuCur, c.nuNew, back);
        EXPECT_EQ(w.stage, c.stage) << c.name;
        EXPECT_EQ(BlockWrites(), c.blockWrites) << c.name;
        EXPECT_EQ(WriteUnconfirmed(w), c.blockWrites > 0 && c.stage != WriteStage::Done) << c.name;
        EXPECT_TRUE(std::equal(image.Baza.begin(), image.Baza.begin() + 41, edited.Baza.begin()))
            << c.name << ": the edited block, or the same block read back";
        if (c.stage == WriteStage::NumberTaken) {
            EXPECT_EQ(w.refusal.rfind("Номер 4 уже занят", 0), 0u) << w.refusal;
            EXPECT_EQ(nuCur, 1);
        }
    }
}

}  // namespace
}  // namespace tservice
