#pragma once
// The window stays alive while the link waits: Pump, called from the clock's
// waits (PumpingClock), delivers paint, timer and posted events, and throws
// away the operator's input that arrives meanwhile, so a click or a key made
// during an exchange is never replayed after it. One object per program.
#include <QObject>

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Discard(QObject* watched, QEvent* event);
    void Idle();

    bool pumping_ = false;
    bool cursor_ = false;
    bool exemptPress_ = false;  // a press went to an exempt widget: its release follows
};

}  // namespace tservice
