// Every mnemonic of a dialog has a key of its own under both keyboard layouts its users type on:
// with Russian and English layouts, Alt+Л and Alt+K are the same key, and two mnemonics on one
// key cancel each other out.
#include "gui/fonts/LuFontSelectorFrm.h"
#include "gui/options/KezOptionsFrm.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <gtest/gtest.h>

namespace {

// The Latin letter on the key that types each letter of the Russian layout.
QChar KeyOf(QChar aLetter)
{
    static const QString russian = QStringLiteral("йцукенгшщзхъфывапролджэячсмитьбюё");
    static const QString latin = QStringLiteral("qwertyuiop[]asdfghjkl;'zxcvbnm,.`");
    const QChar lower = aLetter.toLower();
    const qsizetype at = russian.indexOf(lower);
    return at < 0 ? lower : latin.at(at);
}

QChar MnemonicOf(const QString& aText)
{
    for (qsizetype i = 0; i + 1 < aText.size(); ++i) {
        if (aText.at(i) != QLatin1Char('&'))
            continue;
        if (aText.at(i + 1) != QLatin1Char('&'))
            return aText.at(i + 1);
        ++i;
    }
    return {};
}

// The controls of aDialog that share a key, as "key: text, text".
QStringList SharedKeys(const QWidget& aDialog)
{
    QMap<QChar, QStringList> byKey;
    const auto note = [&](const QString& aText) {
        const QChar mnemonic = MnemonicOf(aText);
        if (!mnemonic.isNull())
            byKey[KeyOf(mnemonic)] << aText;
    };
    for (const QAbstractButton* button : aDialog.findChildren<QAbstractButton*>())
        note(button->text());
    // A label's "&" is a mnemonic only when it has a control to go to.
    for (const QLabel* label : aDialog.findChildren<QLabel*>())
        if (label->buddy())
            note(label->text());
    for (const QGroupBox* box : aDialog.findChildren<QGroupBox*>())
        note(box->title());
    QStringList shared;
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        if (it.value().size() > 1)
            shared << QString(it.key()) + QStringLiteral(": ") + it.value().join(QStringLiteral(", "));
    return shared;
}

} // namespace

TEST(Mnemonics, EachHasAKeyOfItsOwnInBothLayouts)
{
    EXPECT_EQ(KeyOf(QChar(0x041B)), QLatin1Char('k')) << "the table's Л is not on K";
    LuFontSelectorFrm font;
    EXPECT_EQ(SharedKeys(font).join(QLatin1Char('\n')).toStdString(), "");
    KezOptionsFrm options;
    EXPECT_EQ(SharedKeys(options).join(QLatin1Char('\n')).toStdString(), "");
}
