#pragma once
#include "core/options/SettingsKeys.h"

#include <QString>

#include <functional>
#include <memory>

class BrowserForm;
class TBrowserOptions;
class TLuKezOptions;

// Start-up of the program and its two program-wide settings objects.
namespace miKezConverterMain {

// Checks for the converter, loads the settings and opens the main window. Returns the window
// (which the program lives as long as), or null when the program must end.
std::unique_ptr<BrowserForm> Main();

bool CheckForKezCCExistence();
void CreateAndReadOptions();

TLuKezOptions& gKezOptions();
TBrowserOptions& gBrowserOptions();

// Releases both settings objects (the end of the program; tests start afresh with it).
void ReleaseOptions();

// How the missing-converter message is shown: a message box in the program, a recorder in tests
// (through ScopedOverride).
using MessagePresenter = std::function<void(const QString& aTitle, const QString& aText)>;
MessagePresenter& messagePresenter();

// How a yes-or-no question is put to the user: a message box with "Да" and "Нет" in the program.
using QuestionPresenter = std::function<bool(const QString& aTitle, const QString& aText)>;
QuestionPresenter& questionPresenter();
bool AskQuestion(const QString& aTitle, const QString& aText);

} // namespace miKezConverterMain
