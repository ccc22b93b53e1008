// Loading a saved parameter set onto another unit of the same model.
#include <QJsonDocument>

#include <algorithm>

#include <gtest/gtest.h>

#include "Describe.h"
#include "SavedSet.h"

namespace tservice::testing {
namespace {

TEST(SavedSetLoad, KeepsTheTargetsCalibrationUnlessAsked) {
    DeviceImage source, target;
    for (DeviceImage* im : {&source, &target}) {
        im->Tip = kTevTp;
        im->Ver = 4;
        im->PutLen(40);
        im->PutTipD(2);
        im->PutDiap(1);
        im->Vvod = 1;
        ApplyRangeLimits(*im);  // as every saved reading has them
    }
    source.PutKBegSk(1111);
    source.PutBegSkTxc(2222);
    source.PutCurrentEnd(5);
    source.PutTipSign(2);
    source.Baza[40] = 0x77;
    target.PutKBegSk(3333);
    target.PutBegSkTxc(4444);
    target.PutNu(6);
    SavedSet saved;
    std::string error;
    ASSERT_TRUE(ParseSavedSet(QJsonDocument(ToJson(Describe(source, 1))).toJson(), saved, error)) << error;

    struct Way {
        bool withCalibration;
        int kBegSk, begSkTxc, currentEnd;
    };
    for (const Way& w : {Way{false, 3333, 4444, 0}, Way{true, 1111, 2222, 5}}) {
        DeviceImage im = target;
        SavedSetTransfer transfer;
        ASSERT_TRUE(ApplySavedSet(saved, im, error, w.withCalibration, &transfer)) << error;
        EXPECT_EQ(im.GetTipSign(), 2);
        EXPECT_EQ(im.GetKBegSk(), w.kBegSk);
        EXPECT_EQ(im.GetBegSkTxc(), w.begSkTxc);
        EXPECT_EQ(im.GetCurrentEnd(), w.currentEnd);
        EXPECT_EQ(im.GetNu(), 6);
        EXPECT_EQ(im.Baza[40], 0);  // uninterpreted: always the target's
        const auto& kept = transfer.kept;
        EXPECT_EQ(std::find(kept.begin(), kept.end(), "KBegSk") != kept.end(), !w.withCalibration);
    }
}

}  // namespace
}  // namespace tservice::testing
