#include "core/run/FileConverter.h"
#include "core/options/ConversionOptions.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/TLuKezOptions.h"
#include "core/runner/miKezConverterRunner.h"


FileConverter::FileConverter(std::function<bool()> aEndAsked) : mEndAsked(std::move(aEndAsked))
{
    try {
        mOptions = miKezConverterMain::ReadKezOptions();
    } catch (...) {
        mOptionsFailure = mErrorHandling::CurrentFailure().description();
    }
}

FileConverter::~FileConverter() = default;

FileConverter::Result FileConverter::Convert(const QString& aSource, const QString& aOutput)
{
    Result reply;
    if (!mOptions) {
        reply.message = mOptionsFailure;
        return reply;
    }
    try {
        qint32 code = 0;
        reply.converted = miKezConverterRunner::RunConverter(
            *mOptions, aSource, aOutput, 0, code, reply.message,
            [this](miKezConverterRunner::ConverterProcess& aConverter) { WaitHeedingEndRequests(aConverter); });
    } catch (...) {
        reply.converted = false;
        reply.message = mErrorHandling::CurrentFailure().description();
    }
    return reply;
}

void FileConverter::WaitHeedingEndRequests(miKezConverterRunner::ConverterProcess& aConverter)
{
    constexpr std::uint32_t kStepMs = 50;
    while (!aConverter.WaitFor(kStepMs)) {
        if (mEndAsked())
            aConverter.End();
    }
}
