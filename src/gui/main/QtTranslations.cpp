#include "gui/main/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

bool InstallQtTranslations(QCoreApplication& aApplication)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // Owned by the application, so it lives exactly as long as the texts it translates.
    translator->setParent(&aApplication);
    return QCoreApplication::installTranslator(translator.release());
}
