#include "cleanup/write_back_restore.h"

#include "cleanup/cleanup_sinks.h"
#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "data_module/query.h"
#include "data_module/sql_text.h"

#include <QDir>
#include <QSet>

namespace {
const QString kAllDone = QStringLiteral("恢复完毕！");
const QString kSomeFailed = QStringLiteral("恢复结束，有的数据类未能恢复，请查看恢复报告！");
}

WriteBackRestoreJob::WriteBackRestoreJob(const JobContext& context, ReportSink& log)
    : m_context(context), m_log(log)
{
}

void WriteBackRestoreJob::log(const QString& text) { m_log.addLine(m_context.stamp() + text); }

bool WriteBackRestoreJob::run(const QString& fileName)
{
    BackupInfo info;
    const QString error = WriteBackBackup::read(fileName, info);
    const QString shown = QDir::toNativeSeparators(fileName);
    if (!error.isEmpty()) {
        log(QStringLiteral("备份文件") + shown + QStringLiteral("无法读取：") + error);
        m_context.prompts.information(QStringLiteral("备份文件无法读取：") + error);
        return false;
    }
    if (info.accountSet != m_context.state.AccountSet) {
        const QString text = QStringLiteral("该备份属于帐套") + info.accountSet + QStringLiteral("，不是当前帐套")
            + m_context.state.AccountSet + QStringLiteral("，不能恢复！");
        log(text);
        m_context.prompts.information(text);
        return false;
    }
    log(QStringLiteral("开始恢复备份") + shown);
    bool all = true;
    for (const BackupClass& c : info.classes)
        all = restoreClass(fileName, c) && all;
    log(all ? kAllDone : kSomeFailed);
    m_context.prompts.information(all ? kAllDone : kSomeFailed);
    return all;
}

bool WriteBackRestoreJob::failClass(const BackupClass& c, const QString& error)
{
    log(QStringLiteral("**********恢复") + c.className + QStringLiteral("失败，") + c.reportTable
        + QStringLiteral("保持不变：") + error);
    closeClass();
    return false;
}

void WriteBackRestoreJob::closeClass()
{
    m_log.addLine(logSeparator());
    m_log.addLine(logBlankLine());
}

bool WriteBackRestoreJob::restoreClass(const QString& fileName, const BackupClass& c)
{
    m_log.addLine(logSeparator());
    log(QStringLiteral("开始恢复") + c.className + QStringLiteral("（") + c.reportTable + QStringLiteral("，")
        + QString::number(c.rowCount) + QStringLiteral("行）"));
    m_context.events.processEvents();

    QList<QVariantList> rows;
    QString error = WriteBackBackup::readRows(fileName, c, rows);
    if (error.isEmpty() && rows.size() != c.rowCount)
        error = QStringLiteral("备份中的行数不符");
    bool plain = isPlainTableName(c.reportTable) && isPlainTableName(c.indexName);
    for (const QString& column : c.columns)
        plain = plain && isPlainTableName(column);
    if (error.isEmpty() && !plain)
        error = QStringLiteral("备份中的表名、字段名或索引名不合法");
    QList<int> keyAt;
    for (const QString& k : c.keyColumns) {
        // Servers that fold names give the columns in their own case.
        keyAt << -1;
        for (int i = 0; i < c.columns.size() && keyAt.last() < 0; ++i)
            if (c.columns.at(i).compare(k, Qt::CaseInsensitive) == 0)
                keyAt.last() = i;
        if (keyAt.last() < 0 && error.isEmpty())
            error = QStringLiteral("备份中没有关键字段") + k;
    }
    if (!error.isEmpty())
        return failClass(c, error);
    if (rows.isEmpty()) {
        // The write-back deleted nothing of this class: its index stays.
        log(c.className + QStringLiteral("没有需要恢复的数据"));
        closeClass();
        return true;
    }

    // The saved rows hold the duplicates the class's unique index now refuses.
    Query q(m_context.db);
    const QString dropError =
        q.executeOrError(dialect::dropIndexStatement(m_context.kind(), c.reportTable, c.indexName));
    if (dropError.isEmpty())
        log(QStringLiteral("已删除") + c.className + QStringLiteral("主表的唯一索引") + c.indexName);
    else
        log(QStringLiteral("未删除") + c.className + QStringLiteral("主表的唯一索引") + c.indexName
            + QStringLiteral("（该索引不存在或无法删除）"));

    // One delete per distinct key of the saved rows; a key with a missing part was never
    // deleted by the write-back, so its rows were never saved.
    QStringList match;
    for (const QString& k : c.keyColumns)
        match << k + QStringLiteral("=?");
    const QString deleteSql =
        QStringLiteral("delete from ") + c.reportTable + QStringLiteral(" where ") + match.join(QStringLiteral(" and "));
    QList<QList<QVariant>> keys;
    QSet<QString> seen;
    for (const QVariantList& row : rows) {
        QList<QVariant> key;
        QStringList text;
        for (int at : keyAt) {
            key << row.at(at);
            text << variantText(row.at(at));
        }
        if (seen.contains(text.join(QChar(0))))
            continue;
        seen.insert(text.join(QChar(0)));
        keys << key;
    }
    const QString insertHead = QStringLiteral("insert into ") + c.reportTable + QStringLiteral(" (")
        + c.columns.join(QLatin1Char(',')) + QStringLiteral(") values (");

    Database& db = m_context.db;
    try {
        db.startTransaction();
        int deleted = 0;
        for (const QList<QVariant>& key : keys) {
            q.setSql(deleteSql);
            q.setBinds(key);
            deleted += qMax(0, q.exec());
            m_context.events.processEvents();
        }
        for (const QVariantList& row : rows) {
            // NULL as a literal: a bound value without a type is not taken by every driver.
            QStringList values;
            QList<QVariant> binds;
            for (const QVariant& v : row) {
                if (v.isNull()) {
                    values << QStringLiteral("null");
                } else {
                    values << QStringLiteral("?");
                    binds << v;
                }
            }
            q.setSql(insertHead + values.join(QLatin1Char(',')) + QLatin1Char(')'));
            q.setBinds(binds);
            q.exec();
        }
        db.commit();
        log(QStringLiteral("恢复") + c.className + QStringLiteral("成功：删除") + QString::number(deleted)
            + QStringLiteral("行，写回备份中的") + QString::number(rows.size()) + QStringLiteral("行"));
        closeClass();
        return true;
    } catch (const DatabaseError& e) {
        q.close();
        if (db.inTransaction()) {
            try {
                db.rollback();
            } catch (const DatabaseError&) {
            }
        }
        error = e.message();
    }
    log(QStringLiteral("**********恢复") + c.className + QStringLiteral("失败，") + c.reportTable
        + QStringLiteral("保持不变：") + error);
    // The rows are as before the restore: so is the index.
    if (dropError.isEmpty()) {
        const QString again = q.executeOrError(QStringLiteral("create unique index ") + c.indexName
            + QStringLiteral(" on ") + c.reportTable + QLatin1Char('(') + c.keyColumns.join(QLatin1Char(','))
            + QLatin1Char(')'));
        if (again.isEmpty())
            log(QStringLiteral("已重建") + c.className + QStringLiteral("主表的唯一索引") + c.indexName);
        else
            log(QStringLiteral("**********未能重建") + c.className + QStringLiteral("主表的唯一索引") + c.indexName
                + QStringLiteral("：") + again);
    }
    closeClass();
    return false;
}
