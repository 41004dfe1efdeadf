#pragma once
#include "Descriptor.h"
#include "KezccConversion.h"
#include "RtfWriter.h"

#include <optional>
#include <string>

#include <cstdint>

#include <sys/stat.h>

namespace kezcc {

// Writes to a descriptor and remembers the first failure; what comes after it is dropped.
class FileSink : public ByteSink {
public:
    explicit FileSink(int aFile) : mFile(aFile) {}
    void write(const char* aBytes, std::size_t aSize) override;
    int error() const { return mError; }

private:
    int mFile;
    int mError = 0;
    std::uint64_t mWritten = 0;
    std::uint64_t mFlushedTo = 0; // where the disk writes already asked for end
};

// The output of one conversion. The result is written to a hidden temporary file in the folder of
// the file the target finally names (a symbolic link is followed, so the link stays and the file
// it points to is replaced) and renamed over it once it is complete and on disk, so the target
// holds the old result or the new one, never a part. The temporary is locked while it is written:
// a lock nobody holds marks one left behind by a converter that was killed.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the temporary unless it became the target.
    ~OutputFile();

    // Checks the target the request names: its folder exists and may be written, it is no folder,
    // not the source itself (aSource), and, when it exists, may be written. A failure outcome
    // names aPath; nothing is touched.
    std::optional<Outcome> check(const Text& aPath, const struct stat& aSource);

    // Removes the temporaries of this target that earlier converters left behind, then creates
    // the new one. The target keeps its permission bits; a new one gets the user's default.
    std::optional<Outcome> create();

    FileSink& sink() { return *mSink; }

    // Puts the temporary on disk, renames it over the target and puts the folder on disk.
    std::optional<Outcome> commit();

    // SIGTERM, SIGINT and SIGHUP remove the temporary being written before they end the process,
    // which then ends as the signal would have ended it.
    static void removeTemporaryOnEndRequests();

private:
    std::optional<Outcome> failure(const char* aWhat, int aError) const;

    Text mPath;                    // as the request names it
    std::string mTarget;           // the file finally named
    std::string mFolder;           // the folder it is in
    std::optional<mode_t> mKeptMode;
    std::string mTemporary;
    Descriptor mFile;
    std::optional<FileSink> mSink;
    bool mRenamed = false;
};

} // namespace kezcc
