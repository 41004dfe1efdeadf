#pragma once
#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

#include <functional>

// Another program may destroy a window outright (`xdotool windowclose`, a task killer) instead of
// asking it to close; Qt then tells the window nothing and the program would go on without it.
// Calls aDestroyed once when the window system reports aWindow's native window destroyed.
class WindowDestroyedWatch : public QAbstractNativeEventFilter {
public:
    WindowDestroyedWatch(QWidget* aWindow, std::function<void()> aDestroyed);
    ~WindowDestroyedWatch() override;

    bool nativeEventFilter(const QByteArray& aEventType, void* aMessage, qintptr* aResult) override;

private:
    QPointer<QWidget> mWindow;
    std::function<void()> mDestroyed;
};
