#include "gui/main/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Takes the installed catalogues away again, so other tests see the state they expect.
struct TranslationsRemoved {
    ~TranslationsRemoved()
    {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
            QCoreApplication::removeTranslator(translator);
            std::unique_ptr<QTranslator>{translator};
        }
        QLocale::setDefault(previous);
    }
    QLocale previous;
};

} // namespace

TEST(QtTranslations, StandardDialogButtonsReadInRussianWhateverTheUsersLocale)
{
    const TranslationsRemoved cleanup;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        const QDialogButtonBox english(QDialogButtonBox::Cancel);
        ASSERT_EQ(english.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
    }
    ASSERT_TRUE(InstallQtTranslations(*qApp));

    const QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));

    // Qt's own open-file dialog, as the program shows it on this platform.
    QFileDialog dialog(nullptr, QStringLiteral("Конвертация KEZ-файлов"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
}
