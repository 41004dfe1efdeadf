#include "gui/forms/LabelBuddy.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>

namespace {

class FocusOnlyMnemonic : public QObject {
public:
    FocusOnlyMnemonic(QLabel* aLabel, QWidget* aBuddy) : QObject(aLabel), mBuddy(aBuddy) {}

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override
    {
        if (aEvent->type() != QEvent::Shortcut || !mBuddy)
            return QObject::eventFilter(aWatched, aEvent);
        if (mBuddy->isEnabled() && mBuddy->focusPolicy() != Qt::NoFocus)
            mBuddy->setFocus(Qt::ShortcutFocusReason);
        return true;
    }

private:
    QPointer<QWidget> mBuddy;
};

} // namespace

void SetLabelBuddy(QLabel* aLabel, QWidget* aBuddy)
{
    // The buddy still gives the label its mnemonic; the filter answers it before the label does.
    aLabel->setBuddy(aBuddy);
    aLabel->installEventFilter(new FocusOnlyMnemonic(aLabel, aBuddy));
}
