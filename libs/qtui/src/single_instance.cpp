#include "plx71/qtui/single_instance.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace plx71::qtui {

SingleInstance::SingleInstance(const QString& name)
    : path_(QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock"))), lock_(std::make_unique<QLockFile>(path_))
{
    // A running owner keeps its lock however old it is; only a dead owner's
    // lock is taken over.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    release();
}

bool SingleInstance::acquire()
{
    if (held_)
        return true;
    held_ = lock_->tryLock(0);
    // A lock naming our own process id was left by an earlier process that
    // got the same id (Windows hands ids out again; Wine gives a program the
    // same one at every start): Qt sees a running owner of the same name and
    // would refuse us for good. Removing it fails while a holder has the
    // file open, so a lock really held here stays.
    qint64 owner = 0;
    if (!held_ && lock_->error() == QLockFile::LockFailedError && lock_->getLockInfo(&owner, nullptr, nullptr)
        && owner == QCoreApplication::applicationPid() && lock_->removeStaleLockFile())
        held_ = lock_->tryLock(0);
    return held_;
}

void SingleInstance::release()
{
    if (held_)
        lock_->unlock();
    held_ = false;
}

QString SingleInstance::executableBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

} // namespace plx71::qtui
