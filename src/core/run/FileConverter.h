#pragma once
#include "core/runner/ConverterProcess.h"

#include <QString>

#include <functional>
#include <memory>

class TLuKezOptions;

// The run engine's side in a process without a window: converts files one at a time (kezconv's,
// in a worker or in kezconv itself when it converts one file at a time), with the window's
// conversion options, through the hand-over store of the process's runtime folder. While a converter works, aEndAsked is asked
// in short steps; once it says yes, the converter is ended by its rule (asked to end, which removes
// what it has half written, then ended at once after its grace).
class FileConverter {
public:
    explicit FileConverter(std::function<bool()> aEndAsked);
    ~FileConverter();

    struct Result {
        bool converted = false;
        QString message; // why the file failed
    };
    Result Convert(const QString& aSource, const QString& aOutput);

private:
    void WaitHeedingEndRequests(miKezConverterRunner::ConverterProcess& aConverter);

    std::function<bool()> mEndAsked;
    std::unique_ptr<TLuKezOptions> mOptions;
    QString mOptionsFailure; // why the options could not be read; every file fails with it
};
