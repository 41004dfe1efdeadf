#include "ui/fonts/miCommon.h"

#include <QApplication>
#include <QMessageBox>

namespace miCommon {
namespace {

WarningPresenter& presenter()
{
    static WarningPresenter instance;
    return instance;
}

} // namespace

void SetWarningPresenter(WarningPresenter aPresenter) { presenter() = std::move(aPresenter); }

void ShowWarning(const QString& aMessage, const QString& aCaption)
{
    // An override pushed and popped: whatever pointer was set before comes back.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    if (presenter()) {
        presenter()(aMessage, aCaption);
        return;
    }
    QMessageBox box(QMessageBox::Warning, aCaption, aMessage, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace miCommon
