#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

// One class of a backup: the report rows a write-back replaced, and what is needed to put
// them back.
struct BackupClass {
    int id = 0;
    QString className;
    QString reportTable;
    QStringList columns;
    QStringList keyColumns;
    QString indexName;
    QDateTime savedAt;
    int rowCount = 0;
};

struct BackupInfo {
    QString fileName;
    QString accountSet;
    QString system;   // "BB" or "HZ"
    QDateTime created;
    QList<BackupClass> classes;
    int rows() const;
};

// The before-image file of one write-back run: an SQLite database (Qt's QSQLITE driver) in
// the backups folder, named by account set, system, date and time. The file is created
// with the first class saved. Each class is saved in one SQLite transaction with full sync
// and the file flushed after it: a class that saveClass reports saved is on the disk.
class WriteBackBackup {
public:
    WriteBackBackup(QString folder, QString accountSet, QString system,
        QDateTime created = QDateTime::currentDateTime());
    // Removes the file when no class was saved into it.
    ~WriteBackBackup();
    WriteBackBackup(const WriteBackBackup&) = delete;
    WriteBackBackup& operator=(const WriteBackBackup&) = delete;

    // The file of the run (chosen on construction; it exists once a class is saved).
    QString fileName() const { return m_fileName; }
    int savedClasses() const { return m_saved; }

    // Saves the rows of reportTable that the key-range delete by rangeTable removes: those
    // whose key columns equal a key of rangeTable (keys with a missing part match none).
    // Runs on the caller's connection, inside its transaction. Returns an error text,
    // empty on success; *rowsSaved gets the number of rows.
    QString saveClass(Database& db, const QString& className, const QString& reportTable,
        const QString& rangeTable, const QStringList& keyColumns, const QString& indexName,
        int* rowsSaved = nullptr);

    // The program directory's backups folder.
    static QString defaultFolder();
    // A backup's header and classes; error text on failure.
    static QString read(const QString& fileName, BackupInfo& info);
    // The saved rows of one class, in the order of its columns.
    static QString readRows(const QString& fileName, const BackupClass& backupClass, QList<QVariantList>& rows);
    // Every readable backup of the folder, newest first.
    static QList<BackupInfo> list(const QString& folder);

private:
    QString open();
    void close();

    QString m_folder;
    QString m_accountSet;
    QString m_system;
    QDateTime m_created;
    QString m_fileName;
    QString m_connection;
    int m_saved = 0;
    bool m_header = false;   // backup_info and backup_class are in the file
    int m_nextId = 1;
};
