// The simulated line on a real pseudo-terminal, driven by the real Qt port
// and the exchange protocol (real time: a few hundred milliseconds in all).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "PtyServer.h"
#include "QtComPort.h"
#include "ScriptedMessages.h"
#include "SimHex.h"

namespace tservice::sim::testing {
namespace {

struct PtyFixture : ::testing::Test {
    PtyFixture() {
        Line::AddDemoDevices(line);
        server = std::make_unique<PtyServer>(line);
        server->Start();
        link.PortName = server->SlavePath();
        link.BaudText = "115200";
    }
    Line line;
    std::unique_ptr<PtyServer> server;
    SteadyClock clock;
    QtComPort port{clock};
    tservice::testing::ScriptedMessages messages;
    TComPortClass link{port, clock, messages};
    std::uint8_t answer[kMaxAnswer] = {};
};

TEST_F(PtyFixture, ReadsTheTevTpThroughTheRealPort) {
    ASSERT_EQ(link.OpenPort(), 0) << server->SlavePath();
    ASSERT_EQ(link.Exchange(2, 0x11, 0, nullptr, answer), kOk);
    EXPECT_EQ(answer[3], 4);    // version
    EXPECT_EQ(answer[5], 102);  // ТЕВ-ТП

    ASSERT_EQ(link.Exchange(2, 0x44, 0, nullptr, answer), kOk);
    ASSERT_EQ(answer[2], 40);
    const auto block = server->WithLine([](Line& l) { return l.Find(3)->block; });
    for (int i = 0; i < 40; ++i) {
        if (i == 4) continue;  // privilege bit
        EXPECT_EQ(answer[3 + i], block[i]) << i;
    }
    const std::uint8_t meas[] = {0x00, 0x01};
    ASSERT_EQ(link.Exchange(2, 0x47, 2, meas, answer), kOk);
    EXPECT_EQ(answer[2], 9);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(PtyFixture, WriteMovesTheDeviceAndTheConfirmationFindsItThere) {
    ASSERT_EQ(link.OpenPort(), 0);
    auto block = server->WithLine([](Line& l) { return l.Find(2)->block; });
    block[11] = 8;  // number 9
    ASSERT_EQ(link.Exchange(1, 0x45, 40, block.data(), answer), kOk);
    // As the write does: the next exchange's purge would otherwise drop a
    // block the line has not carried yet.
    link.WaitMs(300);
    ASSERT_EQ(link.Exchange(8, 0x0E, 0, nullptr, answer), kOk);
    EXPECT_EQ(link.AnsLen, 4);
    const auto [writes, address] = server->WithLine([](Line& l) {
        Transmitter* d = l.Devices()[1];
        return std::pair{d->writes, d->address};
    });
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(address, 9);
}

TEST_F(PtyFixture, SilentDeviceAndLostPort) {
    ASSERT_EQ(link.OpenPort(), 0);
    link.SetPovt1(1);
    server->WithLine([](Line& l) { l.Find(1)->faults.silent = true; });
    EXPECT_EQ(link.Exchange(0, 0x11, 0, nullptr, answer), kNoAnswer);
    server->LosePort();
    // The port side sees the line gone: an error, or at least no answer.
    int result = -1;
    try {
        result = link.Exchange(2, 0x11, 0, nullptr, answer);
    } catch (const PortError&) {
        result = -2;
    }
    EXPECT_NE(result, kOk);
}

TEST(PtyServer, StopsPromptlyDuringALongLateAnswer) {
    Line line;
    Transmitter& d = line.Add(1, 100, 5);
    d.faults.lateRate = 1.0;
    d.faults.lateMs = 60000;
    PtyServer server(line);
    server.Start();
    const int fd = ::open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const Bytes req = WithCrc({1, 0x11});
    ASSERT_EQ(::write(fd, req.data(), req.size()), static_cast<ssize_t>(req.size()));
    for (int i = 0; i < 500 && server.Frames() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(server.Frames(), 1);
    const auto t0 = std::chrono::steady_clock::now();
    server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_FALSE(server.Running());
    ::close(fd);
}

TEST(PtyServer, LinkPathMakesAndRemovesOnlyItsOwnSymlink) {
    char tmpl[] = "/tmp/simptyXXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, link = dir + "/line", file = dir + "/file";
    std::ofstream(file) << "keep";
    Line line;
    {
        PtyServer server(line);
        ASSERT_EQ(::symlink("/nonexistent", link.c_str()), 0);
        server.LinkPath(link);  // an old symlink is replaced
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), server.SlavePath());
        EXPECT_THROW(server.LinkPath(file), std::runtime_error);
        EXPECT_THROW(server.LinkPath(""), std::runtime_error);
        EXPECT_THROW(server.LinkPath(dir + "/missing/line"), std::runtime_error);
    }
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);  // removed with the server
    std::string kept;
    std::ifstream(file) >> kept;
    EXPECT_EQ(kept, "keep");
    ::unlink(file.c_str());
    ::rmdir(dir.c_str());
}

}  // namespace
}  // namespace tservice::sim::testing
