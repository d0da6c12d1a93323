#pragma once
// The one-copy-at-a-time rule of a program: a lock file named after the
// executable's base name in the temporary directory. The lock belongs to the
// running process; it is released when this object goes away, and a lock
// left by a process that no longer runs does not count, even when that
// process had the id this one has now.
#include <QString>

#include <memory>

class QLockFile;

namespace plx71::qtui {

class SingleInstance {
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this object now holds the lock (or already held it).
    bool acquire();
    void release();
    bool held() const { return held_; }
    QString lockFilePath() const { return path_; }

    // The executable's base name, the name programs lock by.
    static QString executableBaseName();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

} // namespace plx71::qtui
