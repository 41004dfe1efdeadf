#include "gui/forms/KeyboardConventions.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace KeyboardConventions {
namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override
    {
        if (aEvent->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(aEvent);
            auto* button = qobject_cast<QPushButton*>(aWatched);
            if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                button->animateClick();
                return true;
            }
        }
        return QObject::eventFilter(aWatched, aEvent);
    }
};

// The radio buttons that share aButton's parent and so exclude one another.
QList<QRadioButton*> GroupOf(const QRadioButton* aButton)
{
    QList<QRadioButton*> group;
    if (aButton->parentWidget() && aButton->autoExclusive())
        for (QRadioButton* other : aButton->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            if (other->autoExclusive())
                group << other;
    return group;
}

class KeepUnselected : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override
    {
        auto* field = qobject_cast<QLineEdit*>(aWatched);
        if (field && aEvent->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(aEvent)->reason();
            if (field->isReadOnly() && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)) {
                // QLineEdit selects everything when Tab brings the focus; the same focus for
                // another reason leaves the text as it was.
                QFocusEvent other(QEvent::FocusIn, Qt::OtherFocusReason);
                QCoreApplication::sendEvent(field, &other);
                return true;
            }
        }
        return QObject::eventFilter(aWatched, aEvent);
    }
};

} // namespace

void EnterPressesFocusedButtons(QWidget* aForm)
{
    auto* filter = new EnterPresses(aForm);
    for (QPushButton* button : aForm->findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

void TickedRadioIsTheTabStop(QWidget* aForm)
{
    // Only Tab passes over a button that takes the focus by click alone; the arrows do not.
    for (QRadioButton* button : aForm->findChildren<QRadioButton*>()) {
        const QList<QRadioButton*> group = GroupOf(button);
        const auto refresh = [group] {
            const bool anyTicked =
                std::any_of(group.cbegin(), group.cend(), [](const QRadioButton* b) { return b->isChecked(); });
            for (QRadioButton* member : group)
                member->setFocusPolicy(member->isChecked() || !anyTicked ? Qt::StrongFocus : Qt::ClickFocus);
        };
        QObject::connect(button, &QRadioButton::toggled, button, refresh);
        refresh();
    }
}

void NoSelectionOnTab(QLineEdit* aField)
{
    aField->installEventFilter(new KeepUnselected(aField));
}

} // namespace KeyboardConventions
