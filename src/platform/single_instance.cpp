#include "platform/single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

SingleInstanceGuard::SingleInstanceGuard(const QString& name, const QString& folder)
{
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_path = QDir(dir).filePath(name + QStringLiteral(".lock"));
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard()
{
    if (m_held)
        m_lock->unlock();
}

bool SingleInstanceGuard::tryAcquire()
{
    if (!m_held)
        m_held = m_lock->tryLock(0);
    return m_held;
}
