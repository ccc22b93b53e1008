#pragma once
// The window stays alive while the link waits: Pump, called from the clock's
// waits (PumpingClock), delivers paint, timer and posted events, and throws
// away the operator's input that arrives meanwhile, so a click or a key made
// during an exchange is never replayed after it. A round of back-to-back
// exchanges (the overview, the main window's polling) yields instead: its
// input is held and delivered once the exchange is over, so "Стоп" and the
// close box act within one exchange. One object per program.
#include <memory>
#include <utility>
#include <vector>

#include <QObject>
#include <QPointer>

class QWidget;

namespace tservice {

class BusyPump final : public QObject {
    Q_OBJECT
public:
    // Installs itself as the application's event filter (the application
    // must exist and outlive it).
    BusyPump();
    ~BusyPump() override;

    // One pass over the pending events, input discarded; the busy cursor is
    // shown until the event loop next waits for events. A call from inside a
    // pass does nothing.
    void Pump();
    // Whether a pass is running (input is being thrown away).
    bool Pumping() const { return pumping_; }

    // w (and what it holds) still takes clicks and keys while the link waits:
    // a scan's "Стоп".
    static void ActsWhileBusy(QWidget* w);
    // The close box of window w reaches it while the link waits (its
    // closeEvent must then only ask the running work to stop).
    static void ClosesWhileBusy(QWidget* window);

    // While one lives, input made during an exchange is held, not thrown
    // away. Scopes nest; cheap, and harmless without a pump.
    class Yielding {
    public:
        Yielding();
        ~Yielding();
        Yielding(const Yielding&) = delete;
        Yielding& operator=(const Yielding&) = delete;
    };
    // Delivers the held input, oldest first, to whoever it was meant for;
    // does nothing inside a wait or without a pump. A round calls it between
    // two exchanges; otherwise the event loop does soon after.
    static void DeliverHeld();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Discard(QObject* watched, QEvent* event);
    void Hold(QObject* watched, const QEvent* event);
    void QueueDelivery();
    void Deliver();
    void Idle();

    static BusyPump* instance_;
    static int yielding_;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
    bool delivering_ = false;
    bool deliveryQueued_ = false;

    bool pumping_ = false;
    bool cursor_ = false;
    bool exemptPress_ = false;  // a press went to an exempt widget: its release follows
};

}  // namespace tservice
