#include "cleanup/write_back.h"

#include "cleanup/write_back_backup.h"

#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include <QDir>

WriteBack::WriteBack(TEndYearDataMod& dm, const CleanupState& state, WriteBackSinks sinks, CleanupClock clock)
    : m_dm(dm), m_state(state), m_sinks(sinks), m_clock(std::move(clock))
{
}

int WriteBack::barMaximum(const CleanupState& state, const QString& systemSelector)
{
    int found = 0;
    for (const DataClass* c : dataClassesOf(systemSelector))
        if (state.of(*c).Found)
            ++found;
    return 5 * found + 1;
}

void WriteBack::log(const QString& text) { m_sinks.log.addLine(logStamp(m_clock()) + text); }

void WriteBack::events() { m_sinks.events.processEvents(); }

void WriteBack::advance()
{
    m_sinks.bar.step();
    events();
}

void WriteBack::rollbackQuietly()
{
    // A lost connection cannot roll back; the server then drops the open transaction.
    try {
        m_dm.mast.rollback();
    } catch (const DatabaseError&) {
    }
}

bool WriteBack::fail(const QString& line, bool rollBack)
{
    if (rollBack)
        rollbackQuietly();
    log(line);
    advance();
    return false;
}

bool WriteBack::WriteBackClass(const QString& reportTable, const QString& rangeTable, const QString& className,
    const QString& keyList, const QString& indexName, const QStringList& keyColumns, const QString& reviewTable,
    const QString& cleanedTable)
{
    const QString& n = className;
    m_sinks.log.addLine(logSeparator());
    try {
        m_dm.mast.startTransaction();
    } catch (const DatabaseError&) {
        // Without a transaction the class cannot be replaced as a whole: leave it alone.
        log(QStringLiteral(" 开始处理") + n);
        return fail(QStringLiteral(" **********开始处理") + n + QStringLiteral("事务失败！"), false);
    }
    log(QStringLiteral(" 开始处理") + n);

    log(QStringLiteral(" 开始整理") + n + QStringLiteral("临时表中数据"));
    events();
    // The kept review rows must be in the cleaned table before their keys are deleted
    // from the report table, or they would be lost.
    if (!m_dm.AppendRows(reviewTable, cleanedTable))
        return fail(QStringLiteral(" **********整理") + n + QStringLiteral("临时表中数据失败！"), true);
    log(QStringLiteral(" 完成整理") + n + QStringLiteral("临时表中数据"));
    advance();

    if (m_backup) {
        // The rows about to be replaced, on the disk before the delete is sent.
        log(QStringLiteral(" 开始备份") + n + QStringLiteral("主表中将被替换的数据"));
        events();
        int saved = 0;
        const QString error = m_backup->saveClass(m_dm.mast, n, reportTable, rangeTable, keyColumns, indexName, &saved);
        if (!error.isEmpty())
            return fail(QStringLiteral(" **********") + n + QStringLiteral("主表数据未能备份（") + error
                    + QStringLiteral("），不写回主表，主表数据保持不变！"),
                true);
        log(QStringLiteral(" 已将") + n + QStringLiteral("主表中将被替换的") + QString::number(saved)
            + QStringLiteral("行数据备份到") + QDir::toNativeSeparators(m_backup->fileName()));
    }

    log(QStringLiteral(" 开始删除") + n + QStringLiteral("主表中重复数据"));
    events();
    bool deleted = false;
    try {
        deleted = m_dm.DeleteKeyRange(reportTable, rangeTable, keyColumns, m_sinks.deleteBar, &m_sinks.events);
    } catch (const DatabaseError&) {
        deleted = false;   // the key-range table could not be read
    }
    if (!deleted)
        return fail(QStringLiteral(" **********删除") + n + QStringLiteral("主表重复数据失败！"), true);
    log(QStringLiteral(" 删除") + n + QStringLiteral("主表重复数据成功！"));
    advance();

    log(QStringLiteral(" 开始将临时表数据复制到") + n + QStringLiteral("主表"));
    events();
    if (!m_dm.AppendRows(cleanedTable, reportTable))
        return fail(QStringLiteral(" **********将临时表数据复制到") + n + QStringLiteral("主表失败！"), true);
    log(QStringLiteral(" 将临时表数据复制到") + n + QStringLiteral("主表成功！"));
    advance();

    log(QStringLiteral(" 开始提交处理") + n + QStringLiteral("事务"));
    events();
    try {
        m_dm.mast.commit();
    } catch (const DatabaseError&) {
        return fail(QStringLiteral(" **********提交处理") + n + QStringLiteral("事务失败！"), true);
    }
    log(QStringLiteral(" 提交处理") + n + QStringLiteral("事务成功！"));
    advance();

    log(QStringLiteral(" 开始为") + n + QStringLiteral("主表创建索引"));
    events();
    if (!m_dm.CreateUniqueIndex(reportTable, indexName, keyList))
        return fail(QStringLiteral(" **********为") + n + QStringLiteral("创建索引失败！"), false);
    log(QStringLiteral(" 为") + n + QStringLiteral("主表创建索引成功！"));
    advance();

    log(QStringLiteral(" 处理") + n + QStringLiteral("成功！"));
    m_sinks.log.addLine(logSeparator());
    m_sinks.log.addLine(logBlankLine());
    events();
    return true;
}

bool WriteBack::WriteBackAll()
{
    const QString& system = m_dm.state.SystemSelector;
    const TableNameSet& names = m_dm.state.TableNames;
    bool all = true;
    for (const DataClass* c : dataClassesOf(system)) {
        const ClassState& s = m_state.of(*c);
        if (!s.Found)
            continue;
        if (!m_state.mayWriteBack(c->id)) {
            // The working tables do not hold every row of the key range: replacing it
            // would lose report rows. The report table stays as it is.
            m_sinks.log.addLine(logSeparator());
            log(QStringLiteral(" **********") + c->className
                + QStringLiteral("临时表数据不完整，不写回主表，主表数据保持不变！"));
            m_sinks.log.addLine(logSeparator());
            m_sinks.log.addLine(logBlankLine());
            events();
            all = false;
            continue;
        }
        if (!WriteBackClass(c->reportTable(names), c->rangeTable(), c->className, c->keyList(),
                c->indexName(names), c->keyColumns, c->reviewTable(), c->cleanedTable()))
            all = false;
    }
    log(QStringLiteral(" 开始删除临时表"));
    events();
    const QStringList left = m_dm.DropWorkingTables();
    if (left.isEmpty())
        log(QStringLiteral(" 删除临时表完毕"));
    else
        log(QStringLiteral(" 删除临时表失败：%1 个临时表未能删除（%2）").arg(left.size()).arg(left.join(QStringLiteral("、"))));
    advance();
    return all;
}
