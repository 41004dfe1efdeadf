#pragma once
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

// A form's control by its object name; a missing one fails the test.
template <class T>
T* FindControl(const QWidget* aForm, const char* aName)
{
    T* found = aForm->findChild<T*>(QLatin1String(aName));
    EXPECT_NE(found, nullptr) << aName;
    return found;
}

// The colours the main window paints its folder text box with.
inline QColor DestDirBackground(const QWidget* aForm)
{
    return FindControl<QLineEdit>(aForm, "theDestDir")->palette().color(QPalette::Base);
}
inline QColor ButtonFaceColour() { return QApplication::palette().color(QPalette::Button); }
inline QColor WindowBackgroundColour() { return QApplication::palette().color(QPalette::Base); }
