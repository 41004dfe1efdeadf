#include "gui/main/WindowDestroyedWatch.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstring>

namespace {

// An X11 DestroyNotify event as the xcb platform passes it on: its code, then at byte 8 the
// destroyed window.
constexpr std::uint8_t kDestroyNotify = 17;
constexpr std::size_t kWindowAt = 8;

} // namespace

WindowDestroyedWatch::WindowDestroyedWatch(QWidget* aWindow, std::function<void()> aDestroyed)
    : mWindow(aWindow), mDestroyed(std::move(aDestroyed))
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowDestroyedWatch::~WindowDestroyedWatch()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowDestroyedWatch::nativeEventFilter(const QByteArray& aEventType, void* aMessage, qintptr*)
{
    if (aEventType != "xcb_generic_event_t" || !mWindow || !mDestroyed || !mWindow->testAttribute(Qt::WA_WState_Created))
        return false;
    const auto* bytes = static_cast<const unsigned char*>(aMessage);
    if ((bytes[0] & 0x7F) != kDestroyNotify)
        return false;
    std::uint32_t window = 0;
    std::memcpy(&window, bytes + kWindowAt, sizeof window);
    if (window != std::uint32_t(mWindow->winId()))
        return false;
    // Once: the close it starts must not be started again by a later event.
    std::function<void()> destroyed = std::exchange(mDestroyed, {});
    QMetaObject::invokeMethod(QCoreApplication::instance(), destroyed, Qt::QueuedConnection);
    return false;
}
