#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

// What passes between kezconv and one of its workers, over the worker's standard input and
// output: each message is a frame, a 32-bit length and that many bytes. Paths travel as UTF-16,
// so that a name that is no UTF-8 (its bytes kept as lone surrogates) arrives unchanged.
namespace WorkerChannel {

// The argument that makes kezconv a worker. Not for people: --help does not name it.
inline constexpr const char* kWorkerArgument = "--worker";
// The start of the name of a worker's private runtime folder (six characters follow).
inline constexpr const char* kWorkerFolderPrefix = "kezconv-";

// A file to convert, or a withdrawal of those sent and not yet begun.
struct Request {
    QString source;
    QString output;
    bool withdraw = false;
};

struct Reply {
    bool converted = false;
    bool withdrawn = false; // never begun: taken back by a withdrawal
    QString message;        // why the file failed
};

QByteArray Frame(const Request& aRequest);
QByteArray Frame(const Reply& aReply);

// Takes the first whole frame off the front of aBuffer; none while it is incomplete.
std::optional<Request> TakeRequest(QByteArray& aBuffer);
std::optional<Reply> TakeReply(QByteArray& aBuffer);

} // namespace WorkerChannel
