#pragma once
// Another program saving the options over and over while a test reads them
// (helpers/options_saver.cpp); ended when it goes.
#include "core/options/OptionsSaves.h"

#include <QProcess>

#include <functional>

class OptionsSaver {
public:
    explicit OptionsSaver(const QString& aKey)
    {
        mProcess.start(QStringLiteral(KEZ_TEST_BIN_DIR "/options_saver"), {aKey});
        ready = mProcess.waitForStarted(10000) && mProcess.waitForReadyRead(10000);
    }
    ~OptionsSaver()
    {
        mProcess.kill();
        mProcess.waitForFinished(10000);
    }
    OptionsSaver(const OptionsSaver&) = delete;
    OptionsSaver& operator=(const OptionsSaver&) = delete;

    bool ready = false; // the first save is done

private:
    QProcess mProcess;
};

// What a test read while the saver saved: how many reads, how many of them were no save whole,
// and how often the save read changed from one read to the next.
struct SavesRead {
    int reads = 0;
    int mixed = 0;
    int changes = 0;
};

// Calls aRead at least aMinimum times, and on until the saves read have changed kChanges times
// (at most 40 times as many reads), checking each result.
inline SavesRead ReadWhileSaving(int aMinimum, const std::function<const TLuKezOptions&()>& aRead)
{
    constexpr int kChanges = 20;
    SavesRead result;
    for (int last = -1; (result.reads < aMinimum || result.changes < kChanges) && result.reads < 40 * aMinimum;
         ++result.reads) {
        const int which = optionssaves::Which(aRead());
        result.mixed += which < 0;
        result.changes += which >= 0 && last >= 0 && which != last;
        if (which >= 0)
            last = which;
    }
    return result;
}
