#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The window that shows one unexpected failure: a short view with the first section of the
// description, and a detailed view with every section, the trail and the error code.
class ErrorForm : public QDialog {
    Q_OBJECT
public:
    explicit ErrorForm(QWidget* parent = nullptr);

    // Fills the window and shows it modally; returns when the user closes it.
    void Execute(const QString& aMessage, const QString& aSource, qint32 aErrorCode, const QString& aCaption);

    // The filling half of Execute, without showing anything.
    void Prepare(const QString& aMessage, const QString& aSource, qint32 aErrorCode, const QString& aCaption);

    QString ShortText() const { return mShortText; }
    QString FullText() const { return mFullText; }
    bool DetailView() const { return mDetailView; }
    void SetDetailView(bool aDetailView);

    // Shows failures in this window from now on.
    static void InstallAsPresenter();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyView();
    void PlaceControls();

    QString mShortText;
    QString mFullText;
    bool mDetailView = false;

    QLabel* theIcon;
    QLabel* theLabel;
    QPlainTextEdit* theShortText;
    QPlainTextEdit* theFullText;
    QPushButton* theDetails;
    QPushButton* theOK;
};
