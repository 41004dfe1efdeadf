#include "gui/main/miKezConverterMain.h"
#include "core/options/ConversionOptions.h"
#include "gui/main/BrowserForm.h"
#include "core/options/TBrowserOptions.h"
#include "core/errors/KezError.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/TLuKezOptions.h"
#include "core/options/miRegistryTools.h"
#include "platform/ExecutableSearch.h"
#include "platform/Services.h"

#include <QMessageBox>
#include <QPushButton>

using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace miKezConverterMain {
namespace {

constexpr const char* kModule = "miKezConverterMain";

std::unique_ptr<TLuKezOptions> gKez;
std::unique_ptr<TBrowserOptions> gBrowser;

void showMessageBox(const QString& aTitle, const QString& aText)
{
    QMessageBox box(QMessageBox::Critical, aTitle, aText, QMessageBox::Ok);
    box.exec();
}

bool askWithMessageBox(const QString& aTitle, const QString& aText)
{
    QMessageBox box(QMessageBox::Question, aTitle, aText);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole));
    box.exec();
    return box.clickedButton() == yes;
}

void CreateAndReadKezOptions() { gKez = ReadKezOptions(); }

void CreateAndReadBrowserOptions()
{
    gBrowser = std::make_unique<TBrowserOptions>();
    TBrowserOptions defaults;
    defaults.FillWithDefaults();
    gBrowser->ReadFromRegistry(platform::kHKeyCurrentUser, kBrowserKey, defaults);
}

} // namespace

std::unique_ptr<BrowserForm> Main()
{
    std::unique_ptr<BrowserForm> window;
    TopLevel(kModule, "Main", [&] {
        if (!CheckForKezCCExistence()) {
            // Windows keeps its own spelling of the name; elsewhere the file is named as it is there.
#ifdef Q_OS_WIN
            const QString name = QStringLiteral("KezCC.exe");
#else
            const QString name = QString::fromUtf8(platform::converterFileName());
#endif
            messagePresenter()(QStringLiteral("Отсутствует %1").arg(name),
                               QStringLiteral("Для работы данного конвертера необходим файл %1.\r\n"
                                              "Файл должен находиться либо в той же папке, что и данная утилита, \r\n"
                                              "либо в папках, перечисленных в системных путях.").arg(name));
            return;
        }
        CreateAndReadOptions();
        auto form = std::make_unique<BrowserForm>();
        form->Execute();
        window = std::move(form);
    });
    return window;
}

bool CheckForKezCCExistence()
{
    return PassOn(kModule, "CheckForKezCCExistence", [] {
        return !platform::service<platform::ExecutableSearch>().search(platform::converterFileName()).empty();
    });
}

void CreateAndReadOptions()
{
    PassOn(kModule, "CreateAndReadOptions", [] {
        // Both objects from one version of the settings, whoever saves meanwhile.
        miRegistryTools::RegistryReadBatch batch;
        CreateAndReadKezOptions();
        CreateAndReadBrowserOptions();
    });
}

TLuKezOptions& gKezOptions()
{
    if (!gKez)
        mErrorHandling::RaiseError(KezErrorNumber::ObjectNotSet, QStringLiteral("Параметры конвертации ещё не загружены."));
    return *gKez;
}

TBrowserOptions& gBrowserOptions()
{
    if (!gBrowser)
        mErrorHandling::RaiseError(KezErrorNumber::ObjectNotSet, QStringLiteral("Параметры главного окна ещё не загружены."));
    return *gBrowser;
}

void ReleaseOptions()
{
    gKez.reset();
    gBrowser.reset();
}

MessagePresenter& messagePresenter()
{
    static MessagePresenter presenter = showMessageBox;
    return presenter;
}

QuestionPresenter& questionPresenter()
{
    static QuestionPresenter presenter = askWithMessageBox;
    return presenter;
}

bool AskQuestion(const QString& aTitle, const QString& aText)
{
    const QuestionPresenter& presenter = questionPresenter();
    return presenter ? presenter(aTitle, aText) : askWithMessageBox(aTitle, aText);
}

} // namespace miKezConverterMain
