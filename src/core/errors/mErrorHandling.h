#pragma once
#include "core/errors/KezError.h"

#include <QString>

#include <functional>
#include <type_traits>

// The one failure convention of the program. Every guarded procedure wraps its body in PassOn
// (adds its trail entry and passes the failure to its caller) or TopLevel (shows the failure in
// the error window and ends normally), naming its module and procedure.
namespace mErrorHandling {

// Separates the sections of a description; the first section is the short description.
inline constexpr QChar kSectionSeparator = QChar(1);

// Raises a failure from the current procedure; its source is the program name.
[[noreturn]] void RaiseError(qint32 aNumber, const QString& aDescription, int aLine = 0);

// The executable's file name without extension (set by the application; defaults to the
// running binary's name).
QString ProgramName();
void SetProgramName(const QString& aName);

// program "::" module "." procedure [":" line]; "::?" for an empty module.
QString TrailEntry(const QString& aModule, const QString& aProcedure, int aLine);

// The failure currently being handled (inside a catch), as a KezError; foreign exceptions are
// given a number and a description of their own.
KezError CurrentFailure();

// The report built from a failure by a handler, with the handler's overrides (number −1 and
// empty texts take everything from the failure).
KezError BuildReport(const QString& aModule, const QString& aProcedure, const KezError& aFailure,
                     qint32 aNumber = -1, const QString& aLocation = {}, const QString& aDescription = {},
                     const QString& aDetails = {});

// Must be called while a failure is being handled: rethrows it with this procedure on its trail.
[[noreturn]] void PassError(const QString& aModule, const QString& aProcedure, qint32 aNumber = -1,
                            const QString& aLocation = {}, const QString& aDescription = {},
                            const QString& aDetails = {});

// Must be called while a failure is being handled: shows it, then closes aFormToClose if given.
// Never throws.
void ReportError(const QString& aModule, const QString& aProcedure,
                 const std::function<void()>& aFormToClose = {}, qint32 aNumber = -1,
                 const QString& aLocation = {}, const QString& aDescription = {},
                 const QString& aDetails = {});

// Shows a report: the error window in the program, a recorder in tests (through ScopedOverride
// on presenter()).
using Presenter = std::function<void(const QString& aMessage, const QString& aSource, qint32 aErrorCode)>;
Presenter& presenter();

template <class Body>
auto PassOn(const char* aModule, const char* aProcedure, Body&& aBody) -> decltype(aBody())
{
    try {
        return aBody();
    } catch (...) {
        PassError(QString::fromUtf8(aModule), QString::fromUtf8(aProcedure));
    }
}

// Returns the body's result, or a value-initialised result after a reported failure.
template <class Body>
auto TopLevel(const char* aModule, const char* aProcedure, Body&& aBody) -> decltype(aBody())
{
    using Result = decltype(aBody());
    try {
        return aBody();
    } catch (...) {
        ReportError(QString::fromUtf8(aModule), QString::fromUtf8(aProcedure));
        if constexpr (!std::is_void_v<Result>)
            return Result{};
    }
}

} // namespace mErrorHandling
