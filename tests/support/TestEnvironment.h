#pragma once
#include <QString>
#include <QTemporaryDir>

// A private HOME and XDG folders for one test, so no test ever sees the user's settings or
// clipboard store. Restores the previous environment when it goes.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return mRoot.path(); }
    QString home() const;
    QString configHome() const;
    QString runtimeDir() const;

    // The settings file of the registry stand-in inside this environment.
    QString registryFile() const;

private:
    QTemporaryDir mRoot;
    QByteArray mSaved[4];
};

// Puts a converter's folder first on PATH for the test's lifetime (the bundled converter's is
// KEZ_BIN_DIR).
class ConverterOnPath {
public:
    explicit ConverterOnPath(const char* aFolder);
    ~ConverterOnPath();
    ConverterOnPath(const ConverterOnPath&) = delete;
    ConverterOnPath& operator=(const ConverterOnPath&) = delete;

private:
    QByteArray mSavedPath;
};

// The scripted fake converter.
class FakeConverterOnPath : public ConverterOnPath {
public:
    FakeConverterOnPath();
};

