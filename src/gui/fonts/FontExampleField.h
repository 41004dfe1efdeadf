#pragma once
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <QWidget>

// What the font sample shows; the field draws it on every paint, so it survives any repaint.
struct FontSample {
    bool Shown = false;
    QFont Font;
    QColor Fore;
    QColor Back;
    QString Text;
    QPoint Origin; // the text's horizontal centre on its baseline, in pixels
};

// The sample field of the font dialog: the window colour, and the sample on it.
class FontExampleField : public QWidget {
public:
    explicit FontExampleField(QWidget* aParent = nullptr);

    void SetSample(const FontSample& aSample);
    const FontSample& Sample() const { return mSample; }

protected:
    void paintEvent(QPaintEvent* aEvent) override;

private:
    FontSample mSample;
};
