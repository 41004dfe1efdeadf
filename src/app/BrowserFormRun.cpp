// The conversion run over the source list, and the message log.
#include "app/BrowserForm.h"

#include <QTimer>

// Placeholder bodies: the conversion run is built in its own change.
void BrowserForm::ConvertCurrentSrcList() {}
void BrowserForm::DoConvertion(const QString&) {}
QString BrowserForm::GetOutFileName(const QString& aFileName) { return aFileName; }
void BrowserForm::AddMessage(const QString& aMessageText) { mLogText += aMessageText + QStringLiteral("\r\n"); }
void BrowserForm::theRunConverting_Click() {}
void BrowserForm::theConvertImmediately_Click() {}
void BrowserForm::theConvertionStartTimer_Timer() { theConvertionStartTimer->stop(); }
