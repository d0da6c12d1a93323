#include "operator_lock.hpp"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

namespace plx71::station {

QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length)
{
    QByteArray key;
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, password);
    for (quint32 block = 1; key.size() < length; ++block) {
        QByteArray index(4, '\0');
        for (int i = 0; i < 4; ++i)
            index[i] = char((block >> (24 - 8 * i)) & 0xFF);
        mac.reset();
        mac.addData(salt + index);
        QByteArray u = mac.result();
        QByteArray t = u;
        for (int n = 1; n < iterations; ++n) {
            mac.reset();
            mac.addData(u);
            u = mac.result();
            for (int i = 0; i < t.size(); ++i)
                t[i] = char(t[i] ^ u[i]);
        }
        key += t;
    }
    return key.left(length);
}

bool OperatorLock::locked() const
{
    return settings_.value(QStringLiteral("lock/locked"), false).toBool()
        && !settings_.value(QStringLiteral("lock/hash")).toByteArray().isEmpty();
}

bool OperatorLock::lock(const QString& password)
{
    if (password.isEmpty())
        return false;
    QByteArray salt(16, '\0');
    for (char& c : salt)
        c = char(QRandomGenerator::system()->bounded(256));
    const QByteArray hash = pbkdf2Sha256(password.toUtf8(), salt, iterations_, 32);
    settings_.setValue(QStringLiteral("lock/salt"), salt.toHex());
    settings_.setValue(QStringLiteral("lock/iterations"), iterations_);
    settings_.setValue(QStringLiteral("lock/hash"), hash.toHex());
    settings_.setValue(QStringLiteral("lock/locked"), true);
    settings_.sync();
    return true;
}

bool OperatorLock::unlock(const QString& password)
{
    const QByteArray salt = QByteArray::fromHex(settings_.value(QStringLiteral("lock/salt")).toByteArray());
    const int iterations = settings_.value(QStringLiteral("lock/iterations"), kIterations).toInt();
    const QByteArray stored = QByteArray::fromHex(settings_.value(QStringLiteral("lock/hash")).toByteArray());
    if (!locked() || iterations < 1)
        return !locked();
    if (pbkdf2Sha256(password.toUtf8(), salt, iterations, 32) != stored)
        return false;
    settings_.setValue(QStringLiteral("lock/locked"), false);
    settings_.remove(QStringLiteral("lock/hash"));
    settings_.remove(QStringLiteral("lock/salt"));
    settings_.sync();
    return true;
}

} // namespace plx71::station
