#pragma once
// A display of the test's own (Xvfb), with a window manager (openbox) when asked for, for tests of
// the real program on a real X server. Both are ended with the object.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>

class VirtualDisplay {
public:
    // aManagerStartup: what openbox starts once it manages the display (may be empty).
    explicit VirtualDisplay(bool aWithManager = true, const QString& aManagerStartup = QString())
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || (aWithManager && openbox.isEmpty()))
            return;
        // Xvfb writes its number once it is ready.
        mServer.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp")});
        if (!mServer.waitForStarted(10000))
            return;
        QByteArray number;
        while (!number.endsWith('\n') && mServer.waitForReadyRead(10000))
            number += mServer.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return;
        mName = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        if (!aWithManager)
            return;
        mManager.setProcessEnvironment(environment(QProcessEnvironment::systemEnvironment()));
        QStringList arguments{QStringLiteral("--sm-disable")};
        if (!aManagerStartup.isEmpty())
            arguments << QStringLiteral("--startup") << aManagerStartup;
        mManager.start(openbox, arguments);
        if (!mManager.waitForStarted(10000))
            mName.clear();
    }
    ~VirtualDisplay()
    {
        for (QProcess* process : {&mManager, &mServer}) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", or empty when Xvfb or openbox could not be started (scripts/install-deps.sh has them).
    const QString& name() const { return mName; }

    // aBase with this display for Qt's X11 platform.
    QProcessEnvironment environment(QProcessEnvironment aBase) const
    {
        aBase.insert(QStringLiteral("DISPLAY"), mName);
        aBase.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return aBase;
    }

    // The X server goes away, as when it dies or the session ends without a session manager.
    void kill()
    {
        mServer.kill();
        mServer.waitForFinished(5000);
    }

private:
    QProcess mServer;
    QProcess mManager;
    QString mName;
};
