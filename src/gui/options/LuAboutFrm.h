#pragma once
#include <QDialog>

class QLabel;

// "О программе": the product name and version line on an ornamental background, closed by a
// link-like label or the close box. Changes nothing.
class LuAboutFrm : public QDialog {
    Q_OBJECT
public:
    // Centred over aOpener (the screen when there is none).
    explicit LuAboutFrm(QWidget* aOpener = nullptr);

    // Composes the version line, fills the lower tiles and shows the window modally.
    void Execute();

    void theClose_Click();

    // "Версия 4.03 от 05.07.2006", from its fixed parts.
    static QString VersionLine();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* theBack[4];
    QLabel* theProductName;
    QLabel* theVersion;
    QLabel* theClose;
    QWidget* mOpener;
};
