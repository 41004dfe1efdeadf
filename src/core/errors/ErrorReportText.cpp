#include "core/errors/ErrorReportText.h"
#include "core/common/LineBreak.h"
#include "core/errors/mErrorHandling.h"

#include <QStringList>

namespace ErrorReportText {
namespace {

QString dashSection() { return kCrLf + DashLine() + kCrLf; }
} // namespace

QString DashLine() { return QString(50, QChar(0x2014)); }

QString ShortText(const QString& aMessage) { return aMessage.section(mErrorHandling::kSectionSeparator, 0, 0); }

QString FullText(const QString& aMessage, const QString& aSource, qint32 aErrorCode)
{
    const QStringList pieces = aMessage.split(mErrorHandling::kSectionSeparator);
    QString full = pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i)
        full += dashSection() + pieces[i];
    if (!aSource.isEmpty())
        full += dashSection() + QStringLiteral("Стек:") + kCrLf + aSource;
    if (aErrorCode != 0)
        full += dashSection() + ErrorCodeLine(aErrorCode);
    return full;
}

QString ErrorCodeLine(qint32 aErrorCode)
{
    return QStringLiteral("Код ошибки: ") + QString::number(aErrorCode) + QStringLiteral(" (0x") +
           QString::number(static_cast<quint32>(aErrorCode), 16).toUpper() + QLatin1Char(')');
}

} // namespace ErrorReportText
