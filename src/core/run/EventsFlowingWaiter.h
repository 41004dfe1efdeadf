#pragma once
#include "core/run/RunWaiter.h"

#include <QElapsedTimer>

#include <functional>
#include <memory>

// The window's waiter. While the converter works during a run, the window's events keep flowing
// (painting, "Стоп!", a close, drops), at a bounded rate so that a batch of quick conversions is
// not slowed by repainting. Outside a run a converter is simply waited for. A close that finds the
// converter still working gives it kCloseWaitMs, then ends it by the converter's rule (asked
// politely, then ended at once after its grace).
class EventsFlowingWaiter : public RunWaiter {
public:
    // How often at most the window's waiting events run during a run; always at its start and end.
    static constexpr int kEventIntervalMs = 100;
    static constexpr int kCloseWaitMs = 2000;

    // aBeforeEvents brings the screen up to date before the events run.
    explicit EventsFlowingWaiter(std::function<void()> aBeforeEvents);
    ~EventsFlowingWaiter() override;

    Waited Wait(miKezConverterRunner::ConverterProcess& aConverter) override;
    void RunBegins() override;
    void RunEnds() override;
    void BetweenFiles() override;
    void EventsWillRun() override;
    void EventsRan() override;
    void SetClosing(bool aClosing) override;
    void EndConverter(const std::function<bool()>& aConfirm) override;

private:
    class WaitingThread;
    Waited WaitKeepingEventsFlowing(miKezConverterRunner::ConverterProcess& aConverter);
    void EndConverterWhenDue();
    void ProcessEvents();

    std::function<void()> mBeforeEvents;
    // Within a run: the converter is waited for with the events flowing.
    bool mInRun = false;
    bool mClosing = false;
    QElapsedTimer mClosingSince;
    QElapsedTimer mSinceEvents;
    // The converter being waited for with the events flowing, or none.
    miKezConverterRunner::ConverterProcess* mConverter = nullptr;
    std::unique_ptr<WaitingThread> mWaiting;
};
