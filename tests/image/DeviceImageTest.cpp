#include "DeviceImage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tservice {
namespace {

struct WordCase {
    const char* name;
    std::function<void(DeviceImage&, std::int32_t)> put;
    std::function<std::int32_t(const DeviceImage&)> get;
    int index;  // Baza index of the low byte
};

const std::vector<WordCase>& WordFields() {
    static const std::vector<WordCase> kFields = {
        {"KBegSk", &DeviceImage::PutKBegSk, &DeviceImage::GetKBegSk, 1},
        {"KEndSk", &DeviceImage::PutKEndSk, &DeviceImage::GetKEndSk, 3},
        {"UstKod1", &DeviceImage::PutUstKod1, &DeviceImage::GetUstKod1, 6},
        {"UstKod2", &DeviceImage::PutUstKod2, &DeviceImage::GetUstKod2, 8},
        {"BegSkTxc", &DeviceImage::PutBegSkTxc, &DeviceImage::GetBegSkTxc, 13},
        {"EndSkTxc", &DeviceImage::PutEndSkTxc, &DeviceImage::GetEndSkTxc, 15},
        {"KTxc", &DeviceImage::PutKTxc, &DeviceImage::GetKTxc, 17},
        {"NonStandMin", &DeviceImage::PutNonStandMin, &DeviceImage::GetNonStandMin, 19},
        {"NonStandMax", &DeviceImage::PutNonStandMax, &DeviceImage::GetNonStandMax, 21},
        {"NonStandY0", [](DeviceImage& d, std::int32_t v) { d.PutNonStandY(0, v); },
         [](const DeviceImage& d) { return d.GetNonStandY(0); }, 23},
        {"NonStandY7", [](DeviceImage& d, std::int32_t v) { d.PutNonStandY(7, v); },
         [](const DeviceImage& d) { return d.GetNonStandY(7); }, 37},
    };
    return kFields;
}

// Every parameter word: little-endian at its own index, signed at the
// extremes, and no byte outside its two touched.
TEST(DeviceImageWords, LittleEndianSignedRoundTripAtItsIndex) {
    const struct { std::int32_t value; std::uint8_t lo, hi; } kValues[] = {
        {-2, 0xFE, 0xFF}, {-32768, 0x00, 0x80}, {32767, 0xFF, 0x7F}, {0, 0, 0}, {0x1234, 0x34, 0x12},
    };
    for (const auto& f : WordFields()) {
        for (const auto& v : kValues) {
            DeviceImage d;
            d.Baza.fill(0xA5);
            f.put(d, v.value);
            SCOPED_TRACE(std::string(f.name) + " " + std::to_string(v.value));
            EXPECT_EQ(d.Baza[f.index], v.lo);
            EXPECT_EQ(d.Baza[f.index + 1], v.hi);
            EXPECT_EQ(f.get(d), v.value);
            for (int i = 0; i < kBazaSize; ++i) {
                if (i != f.index && i != f.index + 1) {
                    EXPECT_EQ(d.Baza[i], 0xA5) << "byte " << i;
                }
            }
        }
    }
}

TEST(DeviceImageWords, SetterStoresLow16Bits) {
    DeviceImage d;
    d.PutKBegSk(0x12345);
    EXPECT_EQ(d.Baza[1], 0x45);
    EXPECT_EQ(d.Baza[2], 0x23);
    d.PutUstKod1(-4095);  // the 0 mA code: two's complement F001
    EXPECT_EQ(d.Baza[6], 0x01);
    EXPECT_EQ(d.Baza[7], 0xF0);
    EXPECT_EQ(d.GetUstKod1(), -4095);
}

TEST(DeviceImageWords, NonStandYOutsideEntriesTouchesNothing) {
    DeviceImage d;
    d.Baza.fill(0x11);
    d.PutNonStandY(8, -1);
    d.PutNonStandY(-1, -1);
    for (auto b : d.Baza) EXPECT_EQ(b, 0x11);
    EXPECT_EQ(d.GetNonStandY(8), 0);
}

TEST(DeviceImageMeasurement, BigEndianSigned) {
    DeviceImage d;
    std::array<std::uint8_t, 12> answer{0x01, 0x47, 0x09, 0x00, 0x64, 0xE3, 0x12, 0x34,
                                        0x80, 0x00, 0x7F, 0xFF};
    d.TakeMeas(answer.data());
    EXPECT_EQ(d.GetRez(), 100);
    EXPECT_EQ(d.GetSost(), 0xE3);
    EXPECT_EQ(d.GetKodACP(), 0x1234);
    EXPECT_EQ(d.GetTxc(), -32768);
    EXPECT_EQ(d.GetKodTxc(), 32767);
    for (int i = 0; i < kMeasIndex; ++i) EXPECT_EQ(d.Baza[i], 0) << i;
}

TEST(DeviceImageBits, SettersKeepNeighbours) {
    DeviceImage d;
    d.Baza[5] = 0xFF;
    d.PutTipSign(2);
    EXPECT_EQ(d.Baza[5], 0xFE);
    EXPECT_EQ(d.GetTipSign(), 2);

    d.Baza[5] = 0x8B;
    d.PutCurrent(9);
    EXPECT_EQ(d.Baza[5], 0x9B);

    d.Baza[5] = 0xFF;
    d.PutBreak(0);
    EXPECT_EQ(d.Baza[5], 0xFB);
    EXPECT_EQ(d.GetBreak(), 0);
    d.PutTipK(0);
    EXPECT_EQ(d.Baza[5], 0xF3);
    d.PutTipK(1);
    EXPECT_EQ(d.GetTipK(), 1);
    EXPECT_EQ(d.Baza[5], 0xFB);
}

TEST(DeviceImageBits, PrivilegeTakenBeforeCorrectionCodeOverwritesIt) {
    DeviceImage d;
    d.Baza[5] = 0x83;
    d.TakePriv();
    EXPECT_EQ(d.GetNePriv(), 1);
    d.PutCurrent(0);
    EXPECT_EQ(d.Baza[5], 0x03);
    EXPECT_EQ(d.GetNePriv(), 1);
}

TEST(DeviceImageBits, CurrentEndFollowsModel) {
    for (int tip : {kLadr, kOski}) {
        DeviceImage d;
        d.Tip = tip;
        d.Baza[13] = 0x35;
        d.Baza[39] = 0x35;
        d.PutCurrentEnd(6);
        EXPECT_EQ(d.Baza[13], 0x36) << tip;
        EXPECT_EQ(d.Baza[39], 0x35) << tip;
        EXPECT_EQ(d.GetCurrentEnd(), 6);
    }
    for (int tip : {kTevTs, kTevTp}) {
        DeviceImage d;
        d.Tip = tip;
        d.Baza[13] = 0x35;
        d.Baza[39] = 0xA0;
        d.PutCurrentEnd(6);
        EXPECT_EQ(d.Baza[13], 0x35) << tip;
        EXPECT_EQ(d.Baza[39], 0xA6) << tip;
        EXPECT_EQ(d.GetCurrentEnd(), 6);
    }
    DeviceImage unknown;
    unknown.Tip = 0;
    unknown.Baza[13] = 0x35;
    unknown.Baza[39] = 0x35;
    unknown.PutCurrentEnd(6);
    EXPECT_EQ(unknown.Baza[13], 0x35);
    EXPECT_EQ(unknown.Baza[39], 0x35);
    EXPECT_EQ(unknown.GetCurrentEnd(), 0);
}

TEST(DeviceImageConvert, ToTempOverTheRange) {
    DeviceImage d;
    d.TMin = 0;
    d.TMax = 100;
    EXPECT_EQ(d.ToTemp(0), 0.0f);
    EXPECT_EQ(d.ToTemp(8191), 100.0f);
    EXPECT_EQ(d.ToTemp(4096), 50.0061035f);
    d.TMin = -50;
    d.TMax = 150;
    EXPECT_FLOAT_EQ(d.ToTemp(4096), 50.0122070f);
    EXPECT_EQ(d.ToTemp(0), -50.0f);
}

std::array<std::uint8_t, 48> Answer(std::uint8_t count) {
    std::array<std::uint8_t, 48> a{};
    a[0] = 1;
    a[1] = 0x44;
    a[2] = count;
    for (int i = 3; i < 48; ++i) a[i] = static_cast<std::uint8_t>(i);
    return a;
}

TEST(DeviceImageBlocks, TakeAndGiveBlockCopyLenBytes) {
    DeviceImage d;
    const auto answer = Answer(40);
    ASSERT_TRUE(d.PutLen(40));
    d.Baza[41] = 0x77;
    ASSERT_TRUE(d.TakeBlock(answer.data()));
    for (int i = 1; i <= 40; ++i) EXPECT_EQ(d.Baza[i], i + 2);
    EXPECT_EQ(d.Baza[41], 0x77);

    std::array<std::uint8_t, 45> out{};
    out.fill(0xEE);
    d.GiveBlock(out.data());
    for (int i = 0; i < 40; ++i) EXPECT_EQ(out[i], i + 3);
    EXPECT_EQ(out[40], 0xEE);
}

TEST(DeviceImageBlocks, LenZeroChangesNothing) {
    DeviceImage d;
    d.Baza.fill(0x5A);
    d.Baza[0] = 0;
    const auto before = d.Baza;
    const auto answer = Answer(0);
    EXPECT_TRUE(d.TakeBlock(answer.data()));
    EXPECT_EQ(d.Baza, before);
    std::array<std::uint8_t, 4> out{9, 9, 9, 9};
    d.GiveBlock(out.data());
    EXPECT_EQ(out[0], 9);
}

TEST(DeviceImageBlocks, OversizedCountIsRefusedAndMeasurementUntouched) {
    DeviceImage d;
    ASSERT_TRUE(d.PutLen(20));
    for (int v : {41, 49, 255, -1}) EXPECT_FALSE(d.PutLen(v)) << v;
    EXPECT_EQ(d.GetLen(), 20);

    // Even a count forced past PutLen cannot reach Baza[41..].
    d.Baza.fill(0x33);
    d.Baza[0] = 45;
    const auto before = d.Baza;
    const auto answer = Answer(45);
    EXPECT_FALSE(d.TakeBlock(answer.data()));
    EXPECT_EQ(d.Baza, before);
}

TEST(DeviceImageFields, BytesTraceAndClear) {
    DeviceImage d;
    std::vector<std::string> trace;
    d.Trace = [&](const std::string& t) { trace.push_back(t); };
    d.PutTipD(7);
    d.PutDiap(43);
    d.PutNu(31);
    d.PutConnect(2);
    EXPECT_EQ(d.Baza[10], 7);
    EXPECT_EQ(d.Baza[11], 43);
    EXPECT_EQ(d.Baza[12], 31);
    EXPECT_EQ(d.Baza[13], 2);
    EXPECT_EQ(d.GetNu(), 31);
    ASSERT_EQ(trace, std::vector<std::string>{"PutNu 43"});

    DeviceImage noTrace;
    noTrace.PutNu(3);  // no receiver: no call, no crash
    EXPECT_EQ(noTrace.GetNu(), 3);

    d.Tip = kTevTp;
    d.Izmen = d.Vvod = d.VidOk = 1;
    d.TMax = 100;
    int dummy = 0;
    d.SetFocusEdit(reinterpret_cast<QWidget*>(&dummy));
    d.Clear();
    for (auto b : d.Baza) EXPECT_EQ(b, 0);
    EXPECT_EQ(d.Tip, 0);
    EXPECT_EQ(d.Izmen + d.Vvod + d.VidOk, 0);
    EXPECT_EQ(d.TMax, 0.0f);
    EXPECT_EQ(d.FocusEdit(), nullptr);
}

}  // namespace
}  // namespace tservice
