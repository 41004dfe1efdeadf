#pragma once
#include "platform/Clipboard.h"
#include "platform/ExecutableSearch.h"
#include "platform/GlobalMemory.h"
#include "protocol/ConverterCodes.h"
#include "core/runner/ExternalData.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <functional>

class TLuKezOptions;

// Converts one KEZ file into RTF with the external converter: the options and both paths go to
// it in the record on the clipboard under "KezCC_ExternalData", it is started as "kezcc -c"
// hidden and at idle priority, and its reply (result code and message) comes back the same way.
namespace miKezConverterRunner {

inline constexpr const char* kExternalFormatName = ConverterCodes::kFormatName;
inline constexpr const char* kConverterCommandLine = "kezcc -c";

// A source or output path longer than the record holds is refused rather than cut, so that the
// converter can never be sent to a different file.
inline constexpr qint32 kPathTooLong = ConverterCodes::kPathTooLong;

// How the time passes while the converter runs. aWaitFor(ms) blocks until the converter has ended
// (true) or ms have passed (false); platform::kInfinite waits to the end. A waiter may wait a while
// itself, then go on waiting elsewhere and keep its own events flowing meanwhile, but returns only
// once the converter has ended. Without one (empty), the calling thread simply blocks.
using ConverterWaiter = std::function<void(const std::function<bool(std::uint32_t aTimeoutMs)>& aWaitFor)>;

// Converts aSourceFile into aOutputFile. True when the converter confirmed the conversion (a
// result code of 0 or more); otherwise aResultCode and aMessage say why. On success aMessage is
// left as it was. Returns only when the converter has ended; aWaiter passes the time meanwhile.
bool RunConverter(TLuKezOptions& aOptions, const QString& aSourceFile, const QString& aOutputFile, quintptr aOwner,
                  qint32& aResultCode, QString& aMessage, const ConverterWaiter& aWaiter = {});

// Splits a path into the folder (with its trailing separator), the base name and the extension
// (without the dot). A name whose only dot is its first character has no extension.
void SplitToPathFilebaseAndFileExt(const QString& aFull, QString& aFolder, QString& aBase, QString& aExt,
                                   QChar aSeparator = QChar(platform::pathSeparator()));

// A new 7656-byte global-memory object holding the filled record, or 0.
platform::HGlobal MakeExternalHGlobalObject(TLuKezOptions& aOptions, const QString& aSourceFile,
                                            const QString& aOutputFile);

// Empties the clipboard and places the object on it; on success the clipboard owns it.
bool CopyHGlobalToClipboard(platform::HGlobal aHandle, quintptr aOwner);

// The clipboard's object of the converter's format (owned by the clipboard), or 0.
platform::HGlobal PasteHGlobalFromClipboard();

// Copies a whole record out of the object. False, with the record zeroed, when the object cannot
// be locked or is shorter than a record: nothing past its end is ever read.
bool LoadExternalFromHGlobal(platform::HGlobal aHandle, ExternalRecord& aRecord);

// Runs the command line hidden at idle priority and waits for it without a time-out, through
// aWaiter when there is one; returns its exit code. A failure to start, or a process that cannot
// be waited for, is a run-time failure carrying the description. Should the program exit while it
// waits (a library ending it from inside the waiter's events), the command is ended as a close
// ends it rather than left running on its own.
qint32 ExecuteShellCommand(const QString& aCommandLine, const ConverterWaiter& aWaiter = {});

// True while a converter started by RunConverter has not ended and nobody asked it to end.
bool IsConverterRunning();
// True while the converter being waited for was asked to end and has not ended yet.
bool IsConverterBeingEnded();

// Ends the converter being waited for (one that hangs), as a second request to stop does; its
// file then gets the result "not confirmed". Politely asks it first, so that it can remove what
// it has half written (where the system has no such request, it is ended at once); Now ends it
// at once, for one that did not heed the request. False when no converter is waited for or it
// could not be asked or ended.
enum class EndHow { Politely, Now };
bool EndRunningConverter(EndHow aHow = EndHow::Politely);

// How long a converter asked to end gets before it is ended at once.
inline constexpr std::uint32_t kEndGraceMs = 1000;

// The converter's clipboard format, registered on first use; 0 while registering fails, in
// which case the next call tries again.
platform::ClipFormat GetExternalCBFormat();

// Forgets the registered format, for a run that switches to another clipboard store.
void ForgetExternalCBFormat();

} // namespace miKezConverterRunner
