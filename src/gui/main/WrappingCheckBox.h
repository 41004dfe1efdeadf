#pragma once
#include <QCheckBox>

// A check box whose caption wraps onto further lines within the box's width.
class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
public:
    explicit WrappingCheckBox(const QString& aCaption, QWidget* parent = nullptr);

    QString caption() const { return mCaption; }
    void setCaption(const QString& aCaption);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Rewrap();

    QString mCaption;
};
