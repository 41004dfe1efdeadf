#pragma once
#include <QString>
#include <QByteArray>

#include <exception>

// A run-time failure as the handlers see it: number, description, source (the trail once a
// handler has passed it on) and the line where it happened (0 when unknown).
class KezError : public std::exception {
public:
    KezError(qint32 number, QString description, QString source = {}, int line = 0);

    qint32 number() const { return mNumber; }
    const QString& description() const { return mDescription; }
    const QString& source() const { return mSource; }
    int line() const { return mLine; }

    const char* what() const noexcept override { return mWhat.constData(); }

private:
    qint32 mNumber;
    QString mDescription;
    QString mSource;
    int mLine;
    QByteArray mWhat;
};

// The classic run-time numbers the program raises itself.
namespace KezErrorNumber {
inline constexpr qint32 Overflow = 6;
inline constexpr qint32 OutOfMemory = 7;
inline constexpr qint32 SubscriptOutOfRange = 9;
inline constexpr qint32 InvalidArgument = 5;
inline constexpr qint32 FileNotFound = 53;
inline constexpr qint32 PermissionDenied = 70;
inline constexpr qint32 PathFileAccessError = 75;
inline constexpr qint32 PathNotFound = 76;
inline constexpr qint32 ObjectNotSet = 91;
inline constexpr qint32 Internal = 51;
} // namespace KezErrorNumber
