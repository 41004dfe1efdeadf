// The main window's remembered settings, to and from its controls.
#include "gui/main/BrowserForm.h"
#include "core/options/TBrowserOptions.h"
#include "gui/main/WrappingCheckBox.h"
#include "core/errors/mErrorHandling.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

using mErrorHandling::PassOn;

void BrowserForm::DistributeValues(TBrowserOptions& aOptions)
{
    PassOn("BrowserForm", "DistributeValues", [&] {
        {
            const UpdateLock lock(*this);
            theSrcOnlyKez->setChecked(aOptions.SrcOnlyKez);
            theDestDirSame->setChecked(aOptions.DestPlace == 0);
            theDestDirFixed->setChecked(aOptions.DestPlace == 1);
            theDestDir->setText(aOptions.DestFolder);
            theConvertImmediately->setChecked(aOptions.ConvertImmediately);
            RefreshControls();
        }
    });
}

void BrowserForm::AssembleValues(TBrowserOptions& aOptions)
{
    PassOn("BrowserForm", "AssembleValues", [&] {
        aOptions.SrcOnlyKez = theSrcOnlyKez->isChecked();
        aOptions.DestPlace = theDestDirSame->isChecked() ? 0 : 1;
        aOptions.DestFolder = theDestDir->text();
        aOptions.ConvertImmediately = theConvertImmediately->isChecked();
    });
}
