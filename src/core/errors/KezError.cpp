#include "core/errors/KezError.h"

KezError::KezError(qint32 number, QString description, QString source, int line)
    : mNumber(number), mDescription(std::move(description)), mSource(std::move(source)), mLine(line),
      mWhat(mDescription.toUtf8())
{
}
