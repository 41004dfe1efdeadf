#include "core/errors/mErrorHandling.h"
#include "core/common/LineBreak.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <new>
#include <stdexcept>

namespace mErrorHandling {
namespace {

QString& programNameOverride()
{
    static QString name;
    return name;
}

} // namespace

QString ProgramName()
{
    if (!programNameOverride().isEmpty())
        return programNameOverride();
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return QStringLiteral("KezConverter");
}

void SetProgramName(const QString& aName) { programNameOverride() = aName; }

void RaiseError(qint32 aNumber, const QString& aDescription, int aLine)
{
    throw KezError(aNumber, aDescription, ProgramName(), aLine);
}

QString TrailEntry(const QString& aModule, const QString& aProcedure, int aLine)
{
    QString entry = ProgramName() + QStringLiteral("::");
    if (aModule.isEmpty()) {
        entry += QLatin1Char('?');
    } else {
        entry += aModule;
        if (!aProcedure.isEmpty())
            entry += QLatin1Char('.') + aProcedure;
    }
    if (aLine != 0)
        entry += QLatin1Char(':') + QString::number(aLine);
    return entry;
}

KezError CurrentFailure()
{
    try {
        throw;
    } catch (const KezError& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return KezError(KezErrorNumber::OutOfMemory, QStringLiteral("Недостаточно памяти."), ProgramName());
    } catch (const std::out_of_range& e) {
        return KezError(KezErrorNumber::SubscriptOutOfRange,
                        QStringLiteral("Индекс за пределами допустимого диапазона. ") + QString::fromUtf8(e.what()),
                        ProgramName());
    } catch (const std::overflow_error& e) {
        return KezError(KezErrorNumber::Overflow,
                        QStringLiteral("Переполнение. ") + QString::fromUtf8(e.what()), ProgramName());
    } catch (const std::exception& e) {
        return KezError(KezErrorNumber::Internal,
                        QStringLiteral("Внутренняя ошибка: ") + QString::fromUtf8(e.what()), ProgramName());
    } catch (...) {
        return KezError(KezErrorNumber::Internal, QStringLiteral("Внутренняя ошибка неизвестного рода."),
                        ProgramName());
    }
}

KezError BuildReport(const QString& aModule, const QString& aProcedure, const KezError& aFailure,
                     qint32 aNumber, const QString& aLocation, const QString& aDescription,
                     const QString& aDetails)
{
    const QString location =
        aLocation.isEmpty() ? TrailEntry(aModule, aProcedure, aFailure.line()) : aLocation;

    QString trail = QLatin1Char('[') + location + QLatin1Char(']');
    if (!aFailure.source().isEmpty()) {
        trail += kCrLf;
        trail += aFailure.source().startsWith(QLatin1Char('['))
                     ? aFailure.source()
                     : QLatin1Char('[') + aFailure.source() + QLatin1Char(']');
    }

    QString description;
    if (aFailure.description().isEmpty())
        description = aDescription;
    else if (aDescription.isEmpty())
        description = aFailure.description();
    else
        description = aDescription + kCrLf + aFailure.description();
    if (!aDetails.isEmpty())
        description += kSectionSeparator + aDetails;

    const qint32 number = aNumber >= 1 ? aNumber : aFailure.number();
    // A passed-on failure has no line in the caller.
    return KezError(number, description, trail, 0);
}

void PassError(const QString& aModule, const QString& aProcedure, qint32 aNumber, const QString& aLocation,
               const QString& aDescription, const QString& aDetails)
{
    throw BuildReport(aModule, aProcedure, CurrentFailure(), aNumber, aLocation, aDescription, aDetails);
}

void ReportError(const QString& aModule, const QString& aProcedure, const std::function<void()>& aFormToClose,
                 qint32 aNumber, const QString& aLocation, const QString& aDescription, const QString& aDetails)
{
    try {
        const KezError report =
            BuildReport(aModule, aProcedure, CurrentFailure(), aNumber, aLocation, aDescription, aDetails);
        if (presenter())
            presenter()(report.description(), report.source(), report.number());
    } catch (...) {
        // The error machinery never reports its own failures.
    }
    if (aFormToClose) {
        try {
            aFormToClose();
        } catch (...) {
        }
    }
}

Presenter& presenter()
{
    static Presenter current;
    return current;
}


} // namespace mErrorHandling
