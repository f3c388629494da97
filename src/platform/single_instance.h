#pragma once
#include <QString>
#include <memory>

class QLockFile;

// One running instance per user session: the first start holds a lock file in the user's
// runtime folder for as long as it runs; a later start finds it held. A lock left by an
// instance that died is taken over.
class SingleInstanceGuard {
public:
    // folder empty: the user's runtime folder.
    explicit SingleInstanceGuard(const QString& name = QStringLiteral("vostrel-optimizer"),
        const QString& folder = {});
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when this start holds the lock now (it is the first instance).
    bool tryAcquire();
    bool held() const { return m_held; }
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
