#include "kezconv/WorkerChannel.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace WorkerChannel {
namespace {

constexpr qsizetype kLengthSize = 4;

template <class Write>
QByteArray frame(Write&& aWrite)
{
    QByteArray body;
    {
        QDataStream stream(&body, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_6_4);
        aWrite(stream);
    }
    QByteArray framed(kLengthSize, '\0');
    qToBigEndian(quint32(body.size()), framed.data());
    return framed + body;
}

template <class Message, class Read>
std::optional<Message> take(QByteArray& aBuffer, Read&& aRead)
{
    if (aBuffer.size() < kLengthSize)
        return std::nullopt;
    const qsizetype length = qFromBigEndian<quint32>(aBuffer.constData());
    if (aBuffer.size() < kLengthSize + length)
        return std::nullopt;
    const QByteArray body = aBuffer.mid(kLengthSize, length);
    aBuffer.remove(0, kLengthSize + length);
    QDataStream stream(body);
    stream.setVersion(QDataStream::Qt_6_4);
    Message message;
    aRead(stream, message);
    return message;
}

} // namespace

QByteArray Frame(const Request& aRequest)
{
    return frame([&](QDataStream& aStream) { aStream << aRequest.withdraw << aRequest.source << aRequest.output; });
}

QByteArray Frame(const Reply& aReply)
{
    return frame([&](QDataStream& aStream) { aStream << aReply.converted << aReply.withdrawn << aReply.message; });
}

std::optional<Request> TakeRequest(QByteArray& aBuffer)
{
    return take<Request>(aBuffer, [](QDataStream& aStream, Request& aRequest) {
        aStream >> aRequest.withdraw >> aRequest.source >> aRequest.output;
    });
}

std::optional<Reply> TakeReply(QByteArray& aBuffer)
{
    return take<Reply>(aBuffer, [](QDataStream& aStream, Reply& aReply) {
        aStream >> aReply.converted >> aReply.withdrawn >> aReply.message;
    });
}

} // namespace WorkerChannel
