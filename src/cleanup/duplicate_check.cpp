#include "cleanup/duplicate_check.h"

#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"

#include <QLocale>
#include <cmath>

QString shortestDecimal(const QString& number)
{
    const QString t = number.trimmed();
    bool ok = false;
    const qint64 whole = t.toLongLong(&ok);
    if (ok)
        return QString::number(whole);
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return number;
    if (d == std::floor(d) && std::fabs(d) < 9e15)
        return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'f', QLocale::FloatingPointShortest);
}

DuplicateCheck::DuplicateCheck(TEndYearDataMod& dm, CleanupState& state, CheckSinks sinks)
    : m_dm(dm), m_state(state), m_sinks(sinks)
{
}

void DuplicateCheck::ResetCheckState()
{
    m_state.reset();
    m_sinks.list.clearEntries();
}

bool DuplicateCheck::DuplicatesRemain() const
{
    return m_state.DuplicatesRemain(m_dm.state.SystemSelector);
}

void DuplicateCheck::CheckAllClasses()
{
    ResetCheckState();
    const QString& system = m_dm.state.SystemSelector;
    m_sinks.bar.setRange(0, isSummarySystem(system) ? 15 : 9);
    for (const DataClass* cls : dataClassesOf(system)) {
        const bool r = CheckClass(*cls);
        m_state.of(*cls).Found = r;
        m_state.of(*cls).Remaining = r;
    }
}

bool DuplicateCheck::CheckClass(const DataClass& cls)
{
    const QString& n = cls.className;
    const QColor keep;
    m_sinks.labels.setClassLabel(cls.id, QStringLiteral("正在检查") + n + QStringLiteral("......(0%)"), keep);
    m_sinks.labels.setClassLabel(cls.id, QStringLiteral("正在检查") + n + QStringLiteral("............(25%)"), keep);

    m_dm.CountDuplicates(cls.reportTable(m_dm.state.TableNames), cls.countTable(), cls.keyList(), cls.countColumn);

    m_sinks.bar.step();
    m_sinks.labels.setClassLabel(cls.id, QStringLiteral("正在检查") + n + QStringLiteral("..................(50%)"), keep);
    m_sinks.events.processEvents();

    const bool r = m_dm.HasRows(cls.countTable());

    m_sinks.bar.step();
    m_sinks.labels.setClassLabel(
        cls.id, QStringLiteral("正在检查") + n + QStringLiteral("........................(75%)"), keep);
    m_sinks.events.processEvents();

    if (r) {
        m_dm.AppendRows(cls.countTable(), cls.rangeTable());
        ListDirtyReports(cls.countTable(), n, cls.countColumn, cls.number());
    }

    m_sinks.bar.step();
    m_sinks.events.processEvents();

    if (r)
        m_sinks.labels.setClassLabel(cls.id, QStringLiteral("检查") + n + QStringLiteral("存在重复数据"), verdictRed());
    else
        m_sinks.labels.setClassLabel(cls.id, QStringLiteral("检查") + n + QStringLiteral("通过"), verdictGreen());
    m_sinks.events.processEvents();
    return r;
}

void DuplicateCheck::ListDirtyReports(const QString& countTable, const QString& className,
    const QString& countColumn, int classNumber)
{
    const QString sql = QStringLiteral("select BB.BBZD_BH, BB.BBZD_DATE, BB.BBZD_MC, sum(SrcTab.") + countColumn
        + QStringLiteral(") as DirtyCount from ") + m_dm.state.TableNames.BBZDName + QStringLiteral(" BB, ")
        + countTable
        + QStringLiteral(" SrcTab where BB.BBZD_BH = SrcTab.BBZD_BH and BB.BBZD_DATE = SrcTab.BBZD_DATE"
                         " group by BB.BBZD_BH, BB.BBZD_DATE, BB.BBZD_MC");
    // The list cannot be shown without its query: the error reaches the caller.
    if (!m_dm.OpenSQL(sql))
        throw DatabaseError(m_dm.lastError());
    Query& q = m_dm.QryGlobalOpen;
    for (q.first(); !q.eof(); q.next()) {
        DirtyEntry e;
        e.image = classNumber;
        e.reportNumber = q.text(0);
        e.reportDate = q.text(1);
        e.reportName = q.text(2);
        e.className = className;
        e.count = shortestDecimal(q.text(QStringLiteral("DirtyCount")));
        m_sinks.list.addEntry(e);
    }
}
