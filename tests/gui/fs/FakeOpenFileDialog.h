#pragma once
// Answers the open-file dialog as the platform would: writes the selection into the caller's
// buffer, or asks for a larger one when it does not fit; records what it was asked.
#include "gui/fs/FileOpenSaveDialog.h"

#include <cstring>

class FakeOpenFileDialog final : public OpenFileNameDialog {
public:
    QByteArray selection; // as the platform writes it; empty: the user cancels
    quint32 failWith = 0;
    quint32 filterIndexChosen = 0;
    bool alwaysTooSmall = false;

    int shown = 0;
    int refetched = 0;
    OpenFileNameRequest seen;
    QByteArray seenFilter;
    QString seenTitle, seenInitialDir, seenDefExt, seenFile;

    OpenFileNameResult GetOpenFileName(OpenFileNameRequest& aRequest) override
    {
        ++shown;
        seen = aRequest;
        const char* end = aRequest.lpstrFilter;
        while (*end || *(end + 1))
            ++end;
        seenFilter = QByteArray(aRequest.lpstrFilter, end - aRequest.lpstrFilter + 2);
        seenTitle = QString::fromUtf8(aRequest.lpstrTitle);
        seenInitialDir = QString::fromUtf8(aRequest.lpstrInitialDir);
        seenDefExt = QString::fromUtf8(aRequest.lpstrDefExt);
        seenFile = QString::fromUtf8(aRequest.lpstrFile);
        if (failWith != 0)
            return {false, failWith, 0};
        if (selection.isEmpty())
            return {};
        aRequest.nFilterIndex = filterIndexChosen;
        return fill(aRequest);
    }

    OpenFileNameResult RefetchSelection(OpenFileNameRequest& aRequest) override
    {
        ++refetched;
        return fill(aRequest);
    }

    // The platform's buffer format: every string ended by NUL, one more NUL at the end.
    static QByteArray zz(const QStringList& aStrings)
    {
        QByteArray out;
        for (const QString& s : aStrings) {
            out += s.toUtf8();
            out += '\0';
        }
        out += '\0';
        return out;
    }

private:
    OpenFileNameResult fill(OpenFileNameRequest& aRequest)
    {
        if (alwaysTooSmall || quint32(selection.size()) > aRequest.nMaxFile)
            return {false, kFnErrBufferTooSmall, quint32(selection.size())};
        std::memcpy(aRequest.lpstrFile, selection.constData(), size_t(selection.size()));
        return {true, 0, 0};
    }
};
