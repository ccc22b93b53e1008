// The window while the link waits: paint goes on, input made meanwhile is
// thrown away, the line timing stays as it was (virtual time).
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "BusyPump.h"
#include "GuiFixture.h"
#include "Obrline.h"

namespace tservice::testing {
namespace {

// Counts the paint events of a widget and notes the virtual time of each.
class PaintLog : public QObject {
public:
    PaintLog(QWidget* w, IClock& clock) : clock_(clock) { w->installEventFilter(this); }
    std::vector<std::int64_t> times;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) times.push_back(clock_.NowMs());
        return false;
    }

private:
    IClock& clock_;
};

void PostClick(QWidget* w) {
    const QPointF at = QRectF(w->rect()).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(w, new QMouseEvent(type, at, w->mapToGlobal(at), Qt::LeftButton,
                                                        type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                         : Qt::NoButton,
                                                        Qt::NoModifier));
}

void PostKey(QWidget* w, Qt::Key key) {
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

class BusyWindow : public GuiTest {
protected:
    BusyPump pump;
};

TEST_F(BusyWindow, SilentDeviceKeepsItsTriesWhilePaintingAndDropsInput) {
    OpenPort();
    form->show();
    QCoreApplication::processEvents();
    PaintLog paints(form->Panel1, clock);
    bool busyCursor = false;
    bool posted = false;
    onPump = [&] {
        if (port.writes == 1 && !posted) {
            posted = true;
            // Made during the first try: a click on the polling button, a
            // key that would pick device 2, and a poll tick.
            PostClick(form->BtnPuskTimer);
            PostKey(form->CBoxUstr, Qt::Key_Down);
            // The window system asks for the uncovered area (its timer runs
            // in real time, so the request is posted here).
            form->Panel1->update();
            QCoreApplication::postEvent(form.get(), new QEvent(QEvent::UpdateRequest));
            form->Timer1Timer();
        }
        pump.Pump();
        busyCursor = busyCursor || (QGuiApplication::overrideCursor() != nullptr &&
                                    QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor);
    };
    form->InPortClick();
    // Each try: the delay, the answer timeout, the echo look-ahead's wait while
    // the adapter's echo is not yet learned (100), the retry pause.
    EXPECT_EQ(clock.NowMs(), 5 * (25 + 1300 + 100 + 300)) << "five tries of a silent device";
    EXPECT_EQ(port.writeTimesMs, (std::vector<std::int64_t>{25, 1750, 3475, 5200, 6925}));
    ASSERT_FALSE(paints.times.empty()) << "no paint during the exchange";
    EXPECT_GT(paints.times.front(), 0);
    EXPECT_LT(paints.times.front(), 8625);
    EXPECT_TRUE(busyCursor);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0], LinkErrorBox(0, kNoAnswer, "COM1"));

    onPump = nullptr;
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->Timer1->isActive()) << "the click was replayed";
    EXPECT_EQ(form->CBoxUstr->currentIndex(), 0) << "the key was replayed";
    EXPECT_EQ(form->NuCur, 0);
    EXPECT_EQ(port.writes, 5);
}

TEST_F(BusyWindow, AnExchangeFromInsideAWaitIsRefusedUnsent) {
    AddDevice(1, kLadr, 5);
    OpenPort();
    int nested = -1;
    onPump = [&] {
        if (nested < 0) nested = form->Link.Exchange(0, 0x11, 0, nullptr, nullptr);
    };
    std::uint8_t answer[kMaxAnswer] = {};
    EXPECT_EQ(form->Link.Exchange(0, 0x11, 0, nullptr, answer), kOk);
    EXPECT_EQ(nested, kRefused);
    EXPECT_EQ(port.writes, 1);
}

// A round of back-to-back exchanges run by the real event loop: input made
// during an exchange acts once that exchange is over, whatever the window.
TEST_F(BusyWindow, RoundsStopOnInputMadeDuringAnExchange) {
    struct Case {
        const char* what;
        bool overview;  // the line overview's round, else the main window's polling
        int maxAfter;   // requests after the input: the exchange, or the reading, in progress
        std::function<void(TForm1&)> act;
    };
    const Case cases[] = {
        {"overview button", true, 1, [](TForm1& f) { PostClick(f.FormLine->ButPoll); }},
        {"overview Escape", true, 1, [](TForm1& f) { PostKey(f.FormLine, Qt::Key_Escape); }},
        {"polling button", false, 3, [](TForm1& f) { PostClick(f.BtnPuskTimer); }},
    };
    for (int a = 1; a <= 4; ++a) AddDevice(a, 100 + a - 1, a == 4 ? 2 : (a == 3 ? 4 : 5));
    OpenPort();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFormLine& overview = *form->FormLine;
        const auto running = [&] { return c.overview ? overview.Polling() : form->Timer1->isActive(); };
        QEventLoop loop;
        int postedAt = -1;
        const int before = static_cast<int>(recorder.writes.size());
        onPump = [&] {
            // Past the first readings, which are whole ones.
            const int written = static_cast<int>(recorder.writes.size());
            if (postedAt < 0 && written >= before + 30) {
                postedAt = written;
                c.act(*form);
            }
            pump.Pump();
            if (written > before + 300) loop.quit();  // never stopped
        };
        if (c.overview) {
            overview.SetDevices({{1, 100}, {2, 101}, {3, 102}, {4, 103}});
            overview.show();
            overview.ButPollClick();
        } else {
            form->show();
            form->Timer1->setInterval(0);  // back to back, as a slow line makes it
            form->BtnPuskTimerClick();
        }
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (!running()) loop.quit();
        });
        watch.start();
        loop.exec();
        onPump = nullptr;
        QCoreApplication::processEvents();
        EXPECT_FALSE(running()) << "still polling after " << recorder.writes.size() - before << " requests";
        ASSERT_GE(postedAt, 0);
        EXPECT_LE(static_cast<int>(recorder.writes.size()) - postedAt, c.maxAfter) << "more than the exchange in progress";
        if (!c.overview) form->Timer1->setInterval(3000);
    }
}

}  // namespace
}  // namespace tservice::testing
