#pragma once
#include "gui/colors/LuColorSelectorFrm.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <functional>

// Acts on the palette pop-up once it shows (it runs its own modal loop), as a user would: the
// action looks at the pop-up and then clicks one of its controls.
class WhenPopupShows {
public:
    explicit WhenPopupShows(std::function<void(LuColorSelectorFrm&)> aAction)
        : mAction(std::move(aAction))
    {
        QObject::connect(&mTimer, &QTimer::timeout, [this] { poll(); });
        mTimer.start(5);
    }

    // The named control is clicked once the action has run.
    WhenPopupShows(const char* aControl, std::function<void(LuColorSelectorFrm&)> aLook = {})
        : WhenPopupShows([name = QString::fromLatin1(aControl), aLook](LuColorSelectorFrm& aPopup) {
            if (aLook)
                aLook(aPopup);
            QTest::mouseClick(aPopup.findChild<QLabel*>(name), Qt::LeftButton);
        })
    {
    }

    bool shown() const { return mShown; }

private:
    void poll()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* popup = qobject_cast<LuColorSelectorFrm*>(window);
            if (popup && popup->isVisible()) {
                mTimer.stop();
                mShown = true;
                mAction(*popup);
                return;
            }
        }
    }

    std::function<void(LuColorSelectorFrm&)> mAction;
    QTimer mTimer;
    bool mShown = false;
};
