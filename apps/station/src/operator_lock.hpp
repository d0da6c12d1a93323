#pragma once
// The operator lock: the project, the slots and the options become read-only
// until the password chosen when locking is given again. Only a salted, slow
// hash is kept (PBKDF2-HMAC-SHA256), in the station's settings, so the lock
// holds across a restart.
#include <QByteArray>
#include <QSettings>
#include <QString>

namespace plx71::station {

// PBKDF2 with HMAC-SHA256 (RFC 8018) on Qt's HMAC: the Qt for Windows we
// ship is built without its network module, where Qt keeps its own PBKDF2.
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length);

class OperatorLock {
public:
    static constexpr int kIterations = 200000;

    // `iterations`: for a new lock (tests take fewer); an unlock uses the
    // count stored with the hash.
    explicit OperatorLock(QSettings& settings, int iterations = kIterations)
        : settings_(settings), iterations_(iterations)
    {}

    bool locked() const;
    // Locks with `password` (not empty); false when it is empty.
    bool lock(const QString& password);
    // Unlocks when `password` is the one chosen when locking.
    bool unlock(const QString& password);

private:
    QSettings& settings_;
    int iterations_;
};

} // namespace plx71::station
