#include "maintenance/bbex_cleanup.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/report_system.h"

BbexCleanupJob::BbexCleanupJob(const JobContext& context)
    : m_context(context), m_db(context.db), DelBBEXQuery(context.db)
{
}

QStringList BbexCleanupJob::dropLines(const QString& p)
{
    return {QStringLiteral(" drop table temp") + p + QStringLiteral("BBEX    ")};
}

QStringList BbexCleanupJob::createLines(const QString& p)
{
    return {
        QStringLiteral("create table temp") + p + QStringLiteral("BBEX              "),
        QStringLiteral("(                                           "),
        QStringLiteral(" BBZD_BH     varchar(8)     not null,       "),
        QStringLiteral(" BBZD_DATE   varchar(8)     not null,       "),
        QStringLiteral(" BBEX_EXC1   varchar(1)     null,           "),
        QStringLiteral(" BBEX_EXC2   varchar(1)     null,           "),
        QStringLiteral(" BBEX_EXC3   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC4   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC5   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC6   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC7   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC8   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC9   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC10  varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXI1   int            null,           "),
        QStringLiteral(" BBEX_EXI2   int            null,           "),
        QStringLiteral(" BBEX_EXI3   int            null,           "),
        QStringLiteral(" BBEX_EXI4   int            null,           "),
        QStringLiteral(" BBEX_EXN1   float           null,          "),
        QStringLiteral(" BBEX_EXN2   float           null,          "),
        QStringLiteral(" BBEX_EXN3   float           null,          "),
        QStringLiteral(" BBEX_EXN4   float           null           "),
        QStringLiteral(")                                           "),
    };
}

QStringList BbexCleanupJob::orphanLines(const QString& p)
{
    return {
        QStringLiteral(" delete from ") + p + QStringLiteral("BBEX") + QString(36, QLatin1Char(' ')),
        QStringLiteral(" where not exists").leftJustified(62, QLatin1Char(' ')),
        QStringLiteral("  (select 1").leftJustified(62, QLatin1Char(' ')),
        QStringLiteral("   from ") + p + QStringLiteral("BBZD") + QString(41, QLatin1Char(' ')),
        QStringLiteral("    where ") + p + QStringLiteral("BBZD.BBZD_BH   = ") + p + QStringLiteral("BBEX.BBZD_BH     "),
        QStringLiteral("      and ") + p + QStringLiteral("BBZD.BBZD_DATE = ") + p + QStringLiteral("BBEX.BBZD_DATE)  "),
    };
}

QStringList BbexCleanupJob::copyLines(const QString& p)
{
    return {
        QStringLiteral(" insert into  temp") + p + QStringLiteral("BBEX              "),
        QStringLiteral(" select distinct  * from ") + p + QStringLiteral("BBEX       "),
    };
}

QStringList BbexCleanupJob::clearLines(const QString& p)
{
    return {QStringLiteral(" delete from   ") + p + QStringLiteral("BBEX          ")};
}

QStringList BbexCleanupJob::writeBackLines(const QString& p)
{
    return {
        QStringLiteral(" insert into  ") + p + QStringLiteral("BBEX            "),
        QStringLiteral(" select * from temp") + p + QStringLiteral("BBEX       "),
    };
}

void BbexCleanupJob::send(const QStringList& lines) { DelBBEXQuery.execute(lines); }

void BbexCleanupJob::rollback()
{
    DelBBEXQuery.close();
    try {
        m_db.rollback();
    } catch (const DatabaseError&) {
    }
}

void BbexCleanupJob::DropWorkTable(const QString& prefix)
{
    // Normally there is no work table to drop.
    DelBBEXQuery.executeOrError(dropLines(prefix));
}

void BbexCleanupJob::CreateWorkTable(const QString& prefix) { DelBBEXQuery.executeOrError(createLines(prefix)); }

void BbexCleanupJob::failed(const QString& prefix, const QString& what, const QString& message)
{
    m_failures << prefix + QStringLiteral("BBEX") + what + (message.isEmpty() ? QString() : QStringLiteral("：") + message);
}

void BbexCleanupJob::DeleteOrphans(const QString& prefix)
{
    m_db.startTransaction();
    try {
        send(orphanLines(prefix));
        m_db.commit();
    } catch (const DatabaseError& e) {
        rollback();
        failed(prefix, QStringLiteral("删除无效扩展数据失败"), e.message());
    }
}

bool BbexCleanupJob::workTableEmpty(const QString& prefix)
{
    try {
        DelBBEXQuery.open(QStringLiteral("select count(*) con1 from temp") + prefix + QStringLiteral("BBEX"));
        const bool empty = DelBBEXQuery.integer(QStringLiteral("con1")) == 0;
        DelBBEXQuery.close();
        return empty;
    } catch (const DatabaseError&) {
        DelBBEXQuery.close();
        return false;
    }
}

void BbexCleanupJob::RemoveDuplicates(const QString& prefix)
{
    // A work table left over with rows of an earlier run would add them to the copy and
    // so to the write-back: only an empty work table is used.
    if (!workTableEmpty(prefix)) {
        failed(prefix, QStringLiteral("重复数据未清除：临时表temp") + prefix + QStringLiteral("BBEX不能使用"));
        return;
    }

    m_db.startTransaction();
    try {
        send(copyLines(prefix));
        m_db.commit();
    } catch (const DatabaseError& e) {
        rollback();
        failed(prefix, QStringLiteral("重复数据未清除"), e.message());
        return;
    }

    m_db.startTransaction();
    try {
        send(clearLines(prefix));
        send(writeBackLines(prefix));
        m_db.commit();
    } catch (const DatabaseError& e) {
        // The extension table keeps all its rows, duplicates included.
        rollback();
        failed(prefix, QStringLiteral("重复数据未清除"), e.message());
    }
}

void BbexCleanupJob::cleanSystem(const QString& prefix)
{
    DropWorkTable(prefix);
    CreateWorkTable(prefix);
    DeleteOrphans(prefix);
    RemoveDuplicates(prefix);
    DropWorkTable(prefix);
}

QString BbexCleanupJob::closingText() const
{
    QString text = QStringLiteral("清除完成!");
    if (!m_failures.isEmpty())
        text += QStringLiteral("\n\n清除没有全部成功：\n") + m_failures.join(u'\n');
    return text;
}

void BbexCleanupJob::run()
{
    m_failures.clear();
    for (ReportSystem system : bothSystems)
        cleanSystem(systemPrefix(system));
    m_context.prompts.message(closingText(), applicationTitle(),
        m_failures.isEmpty() ? PromptIcon::None : PromptIcon::Warning, PromptButtons::Ok);
}
