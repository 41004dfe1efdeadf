#pragma once
#include <QObject>
#include <QString>

// The message log as the program writes it: every message ends with CR LF and only the last
// kLimit characters are kept. A viewer follows it through Appended instead of taking the whole
// text each time, so a long batch does not copy the log for every file.
class MessageLog : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kLimit = 32760;

    using QObject::QObject;

    void Add(const QString& aMessage);
    const QString& Text() const { return mText; }

signals:
    // What a viewer that shows every line end (CR LF, CR, LF) as "\n" does to stay equal to the log: drop
    // aDropFromFront characters from the front of what it shows, after appending aShown.
    void Appended(const QString& aShown, qsizetype aDropFromFront);

private:
    QString mText;
    qsizetype mShownLength = 0;
    qsizetype mPairs = 0; // CR LF pairs in mText
};
