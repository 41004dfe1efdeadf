#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

namespace {
const char* const kVariables[4] = {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"};
}

TestEnvironment::TestEnvironment()
{
    for (int i = 0; i < 4; ++i)
        mSaved[i] = qgetenv(kVariables[i]);
    const QString subfolders[4] = {QStringLiteral("home"), QStringLiteral("config"), QStringLiteral("runtime"),
                                   QStringLiteral("cache")};
    for (int i = 0; i < 4; ++i) {
        const QString path = mRoot.path() + QLatin1Char('/') + subfolders[i];
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(kVariables[i], QFile::encodeName(path));
    }
}

TestEnvironment::~TestEnvironment()
{
    for (int i = 0; i < 4; ++i)
        qputenv(kVariables[i], mSaved[i]);
}

QString TestEnvironment::home() const { return mRoot.path() + QStringLiteral("/home"); }
QString TestEnvironment::configHome() const { return mRoot.path() + QStringLiteral("/config"); }
QString TestEnvironment::runtimeDir() const { return mRoot.path() + QStringLiteral("/runtime"); }
QString TestEnvironment::registryFile() const
{
    return configHome() + QStringLiteral("/KezConverter/HKEY_CURRENT_USER.reg");
}

ConverterOnPath::ConverterOnPath(const char* aFolder) : mSavedPath(qgetenv("PATH"))
{
    qputenv("PATH", QByteArray(aFolder) + ':' + mSavedPath);
}

ConverterOnPath::~ConverterOnPath() { qputenv("PATH", mSavedPath); }

FakeConverterOnPath::FakeConverterOnPath() : ConverterOnPath(KEZ_FAKE_BIN_DIR) {}
