#pragma once
// The main window opened on a private environment, as every window test needs it.
#include "gui/main/BrowserForm.h"
#include "gui/main/miKezConverterMain.h"
#include "support/FormControls.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override { closeWindow(); }

    void start()
    {
        miKezConverterMain::CreateAndReadOptions();
        form = std::make_unique<BrowserForm>();
        form->Execute();
    }
    void closeWindow()
    {
        form.reset();
        miKezConverterMain::ReleaseOptions();
    }
    template <class T>
    T* child(const char* aName)
    {
        return FindControl<T>(form.get(), aName);
    }
    void click(const char* aName) { QTest::mouseClick(child<QWidget>(aName), Qt::LeftButton); }
    void tick(const char* aName, bool aTicked) { child<QCheckBox>(aName)->setChecked(aTicked); }
    QListWidget* list() { return child<QListWidget>("theSrcList"); }
    QStringList lines()
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out.append(list()->item(i)->text());
        return out;
    }
    QStringList entries() const
    {
        QStringList out;
        for (const QString& entry : form->SourceFiles())
            out.append(entry);
        return out;
    }

    TestEnvironment environment;
    std::unique_ptr<BrowserForm> form;
};
