#pragma once
#include "platform/Clipboard.h"
#include "platform/ExecutableSearch.h"
#include "platform/GlobalMemory.h"
#include "protocol/ConverterCodes.h"
#include "core/runner/ConverterProcess.h"
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

// Converts aSourceFile into aOutputFile. True when the converter confirmed the conversion (a
// result code of 0 or more); otherwise aResultCode and aMessage say why. On success aMessage is
// left as it was, and aRemark, when given, receives the converter's remark (empty when none). Returns only when the converter has ended; aWaiter passes the time meanwhile.
// aCommandLine starts the converter.
bool RunConverter(TLuKezOptions& aOptions, const QString& aSourceFile, const QString& aOutputFile, quintptr aOwner,
                  qint32& aResultCode, QString& aMessage, const ConverterWaiter& aWaiter = {},
                  const QString& aCommandLine = QString::fromLatin1(kConverterCommandLine),
                  QString* aRemark = nullptr);

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

// Runs the command line as a ConverterProcess (hidden, at idle priority, in a group of its own) and
// waits for it without a time-out, through aWaiter when there is one; returns its exit code, and
// in aWasEnded whether it was asked to end meanwhile. A failure to start, or a process that cannot
// be waited for, is a run-time failure carrying the description.
qint32 ExecuteShellCommand(const QString& aCommandLine, const ConverterWaiter& aWaiter = {},
                           bool* aWasEnded = nullptr);

// The converter's clipboard format, registered on first use; 0 while registering fails, in
// which case the next call tries again.
platform::ClipFormat GetExternalCBFormat();

// Forgets the registered format, for a run that switches to another clipboard store.
void ForgetExternalCBFormat();

} // namespace miKezConverterRunner
