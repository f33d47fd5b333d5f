// Helpers for tests of the Qt side: environment variables set for one scope,
// small files and executable scripts written into a temporary folder, and
// waiting for a file that another process writes.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QThread>
#include <cstdlib>
#include <string>

// Sets (or, with unset, removes) one environment variable until the end of
// the scope, then restores what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QString& value) : m_name(name) {
        Save();
        qputenv(name, value.toUtf8());
    }
    explicit ScopedEnv(const char* name) : m_name(name) {
        Save();
        qunsetenv(name);
    }
    ~ScopedEnv() {
        if (m_had) {
            qputenv(m_name.c_str(), m_old);
        } else {
            qunsetenv(m_name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Save() {
        m_had = qEnvironmentVariableIsSet(m_name.c_str());
        m_old = qgetenv(m_name.c_str());
    }
    std::string m_name;
    QByteArray m_old;
    bool m_had = false;
};

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a /bin/sh script and makes it executable.
inline bool WriteScript(const QString& path, const QByteArray& body) {
    if (!WriteFile(path, "#!/bin/sh\n" + body)) {
        return false;
    }
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
}

// Waits (processing events) until path exists and is not empty, at most
// timeoutMs; answers whether it did.
inline bool WaitForFile(const QString& path, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (QFileInfo(path).size() > 0) {
            return true;
        }
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return QFileInfo(path).size() > 0;
}

// Waits (processing events) until the file at path holds at least count
// lines, at most timeoutMs; answers its lines.
inline QStringList WaitForLines(const QString& path, int count, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    QStringList lines;
    for (;;) {
        lines = QString::fromUtf8(ReadFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (lines.size() >= count || deadline.hasExpired()) {
            return lines;
        }
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}
