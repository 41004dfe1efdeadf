#include "gui/fonts/miCommonWarning.h"

#include <QApplication>
#include <QMessageBox>

namespace miCommon {
namespace {

void showWarningBox(const QString& aMessage, const QString& aCaption)
{
    QMessageBox box(QMessageBox::Warning, aCaption, aMessage, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

WarningPresenter& warningPresenter()
{
    static WarningPresenter presenter = showWarningBox;
    return presenter;
}

void ShowWarning(const QString& aMessage, const QString& aCaption)
{
    // An override pushed and popped: whatever pointer was set before comes back.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const WarningPresenter& presenter = warningPresenter();
    if (presenter)
        presenter(aMessage, aCaption);
    else
        showWarningBox(aMessage, aCaption);
}

} // namespace miCommon
