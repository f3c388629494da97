#include "cleanup/write_back_backup.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/query.h"
#include "platform/file_sync.h"
#include "platform/program_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <algorithm>
#include <utility>

namespace {
const QString kTime = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString newConnectionName()
{
    return QStringLiteral("backup-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString quotedName(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString rowTableOf(int classId) { return QStringLiteral("rows_%1").arg(classId); }

// A private read-only connection to one backup file, removed with the object.
class BackupReader {
public:
    explicit BackupReader(const QString& fileName) : m_name(newConnectionName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(fileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    }
    ~BackupReader()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QString open()
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        return db.open() ? QString() : db.lastError().text();
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

QString exec(const QSqlDatabase& db, const QString& sql, const QVariantList& binds = {})
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        return q.lastError().text();
    for (const QVariant& v : binds)
        q.addBindValue(v);
    return q.exec() ? QString() : q.lastError().text();
}
}

int BackupInfo::rows() const
{
    int n = 0;
    for (const BackupClass& c : classes)
        n += c.rowCount;
    return n;
}

WriteBackBackup::WriteBackBackup(QString folder, QString accountSet, QString system, QDateTime created)
    : m_folder(std::move(folder)), m_accountSet(std::move(accountSet)), m_system(std::move(system)),
      m_created(std::move(created))
{
    // Account set, system, date and time; a second run within the same second gets a number.
    QString safeSet = m_accountSet;
    for (QChar& c : safeSet)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    const QString base = safeSet + QLatin1Char('_') + m_system + QLatin1Char('_')
        + m_created.toString(QStringLiteral("yyyyMMdd_hhmmss"));
    const QDir dir(m_folder);
    m_fileName = dir.filePath(base + QStringLiteral(".db"));
    for (int n = 2; QFileInfo::exists(m_fileName); ++n)
        m_fileName = dir.filePath(base + QLatin1Char('_') + QString::number(n) + QStringLiteral(".db"));
}

WriteBackBackup::~WriteBackBackup()
{
    close();
    if (m_saved == 0 && QFileInfo(m_fileName).isFile())
        QFile::remove(m_fileName);
}

QString WriteBackBackup::defaultFolder() { return programFile(QStringLiteral("backups")); }

void WriteBackBackup::close()
{
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

QString WriteBackBackup::open()
{
    if (!m_connection.isEmpty())
        return {};
    if (!QDir().mkpath(m_folder))
        return QStringLiteral("无法建立备份目录") + QDir::toNativeSeparators(m_folder);
    if (QFileInfo::exists(m_fileName) && !QFileInfo(m_fileName).isFile())
        return QStringLiteral("备份文件名已被占用：") + QDir::toNativeSeparators(m_fileName);
    const QString name = newConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_fileName);
        QString error;
        if (!db.open())
            error = db.lastError().text();
        // The journal is removed at each commit; full sync makes the commit wait for the disk.
        for (const char* pragma : {"pragma journal_mode=delete", "pragma synchronous=full"})
            if (error.isEmpty())
                error = exec(db, QLatin1String(pragma));
        if (error.isEmpty()) {
            m_connection = name;
            return {};
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return error;
    }
}

QString WriteBackBackup::saveClass(Database& source, const QString& className, const QString& reportTable,
    const QString& rangeTable, const QStringList& keyColumns, const QString& indexName, int* rowsSaved)
{
    if (rowsSaved)
        *rowsSaved = 0;
    QString error = open();
    if (!error.isEmpty())
        return error;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);

    // The very condition of the key-range delete (TEndYearDataMod::DeleteKeyRange).
    QStringList match;
    for (const QString& k : keyColumns)
        match << QStringLiteral("RelTab.") + k + QStringLiteral(" = ") + reportTable + QLatin1Char('.') + k;
    Query rows(source);
    try {
        rows.open(QStringLiteral("select * from ") + reportTable + QStringLiteral(" where exists (select 1 from ")
            + rangeTable + QStringLiteral(" RelTab where ") + match.join(QStringLiteral(" and ")) + QLatin1Char(')'));
    } catch (const DatabaseError& e) {
        return e.message();
    }
    QStringList columns;
    for (int i = 0; i < rows.fieldCount(); ++i)
        columns << rows.fieldName(i);

    if (!db.transaction()) {
        rows.close();
        return db.lastError().text();
    }
    const auto failed = [&](const QString& text) {
        rows.close();
        db.rollback();
        return text;
    };
    if (!m_header) {
        for (const QString& sql : {QStringLiteral("create table backup_info (account_set text, system text, created text)"),
                 QStringLiteral("create table backup_class (id integer primary key, class_name text, report_table text,"
                                " columns text, key_columns text, index_name text, saved_at text, row_count integer)")})
            if (error = exec(db, sql); !error.isEmpty())
                return failed(error);
        error = exec(db, QStringLiteral("insert into backup_info values (?, ?, ?)"),
            {m_accountSet, m_system, m_created.toString(kTime)});
        if (!error.isEmpty())
            return failed(error);
    }
    const int classId = m_nextId;
    QStringList defs, marks;
    for (const QString& c : columns) {
        defs << quotedName(c);
        marks << QStringLiteral("?");
    }
    const QString rowTable = rowTableOf(classId);
    error = exec(db, QStringLiteral("create table ") + rowTable + QStringLiteral(" (") + defs.join(QLatin1Char(','))
            + QLatin1Char(')'));
    if (!error.isEmpty())
        return failed(error);
    int count = 0;
    {
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("insert into ") + rowTable + QStringLiteral(" values (")
                + marks.join(QLatin1Char(',')) + QLatin1Char(')')))
            return failed(insert.lastError().text());
        try {
            for (; !rows.eof(); rows.next()) {
                const QList<QVariant>& row = rows.row();
                for (int i = 0; i < columns.size(); ++i)
                    insert.bindValue(i, row.at(i));
                if (!insert.exec())
                    return failed(insert.lastError().text());
                ++count;
            }
        } catch (const DatabaseError& e) {
            return failed(e.message());
        }
    }
    rows.close();
    error = exec(db, QStringLiteral("insert into backup_class values (?, ?, ?, ?, ?, ?, ?, ?)"),
        {classId, className, reportTable, columns.join(QLatin1Char(',')), keyColumns.join(QLatin1Char(',')),
            indexName, QDateTime::currentDateTime().toString(kTime), count});
    if (!error.isEmpty())
        return failed(error);
    if (!db.commit())
        return failed(db.lastError().text());
    const bool newFile = !m_header;
    m_header = true;
    ++m_nextId;
    // Full sync has flushed the file at the commit; flushed once more here, and the folder's
    // entry of a new file with it, so that nothing rests on the driver's settings.
    if (!syncFileToDisk(m_fileName) || (newFile && !syncFolderToDisk(m_folder))) {
        // Saved but not known to be on the disk: the class counts as not saved.
        exec(db, QStringLiteral("delete from backup_class where id = ?"), {classId});
        exec(db, QStringLiteral("drop table ") + rowTable);
        return QStringLiteral("备份文件无法写入磁盘：") + QDir::toNativeSeparators(m_fileName);
    }
    ++m_saved;
    if (rowsSaved)
        *rowsSaved = count;
    return {};
}

QString WriteBackBackup::read(const QString& fileName, BackupInfo& info)
{
    info = BackupInfo{};
    info.fileName = fileName;
    if (!QFileInfo(fileName).isFile())
        return QStringLiteral("备份文件不存在。");
    BackupReader file(fileName);
    if (QString error = file.open(); !error.isEmpty())
        return error;
    QSqlQuery q(file.db());
    if (!q.exec(QStringLiteral("select account_set, system, created from backup_info")) || !q.next())
        return QStringLiteral("不是写回备份文件。");
    info.accountSet = q.value(0).toString();
    info.system = q.value(1).toString();
    info.created = QDateTime::fromString(q.value(2).toString(), kTime);
    if (!q.exec(QStringLiteral("select id, class_name, report_table, columns, key_columns, index_name, saved_at,"
                               " row_count from backup_class order by id")))
        return q.lastError().text();
    while (q.next()) {
        BackupClass c;
        c.id = q.value(0).toInt();
        c.className = q.value(1).toString();
        c.reportTable = q.value(2).toString();
        c.columns = q.value(3).toString().split(QLatin1Char(','));
        c.keyColumns = q.value(4).toString().split(QLatin1Char(','));
        c.indexName = q.value(5).toString();
        c.savedAt = QDateTime::fromString(q.value(6).toString(), kTime);
        c.rowCount = q.value(7).toInt();
        info.classes << c;
    }
    return {};
}

QString WriteBackBackup::readRows(const QString& fileName, const BackupClass& backupClass, QList<QVariantList>& rows)
{
    rows.clear();
    BackupReader file(fileName);
    if (QString error = file.open(); !error.isEmpty())
        return error;
    QSqlQuery q(file.db());
    if (!q.exec(QStringLiteral("select * from ") + rowTableOf(backupClass.id) + QStringLiteral(" order by rowid")))
        return q.lastError().text();
    const int n = q.record().count();
    if (n != backupClass.columns.size())
        return QStringLiteral("备份中的字段与字段表不符。");
    while (q.next()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row << q.value(i);
        rows << row;
    }
    return {};
}

QList<BackupInfo> WriteBackBackup::list(const QString& folder)
{
    QList<BackupInfo> out;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
    for (const QFileInfo& f : files) {
        BackupInfo info;
        if (read(f.absoluteFilePath(), info).isEmpty() && !info.classes.isEmpty())
            out << info;
    }
    std::stable_sort(out.begin(), out.end(),
        [](const BackupInfo& a, const BackupInfo& b) { return a.created > b.created; });
    return out;
}
