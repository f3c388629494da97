#include "cleanup/auto_cleanup.h"

#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/sql_text.h"

#include <QScopeGuard>
#include <cmath>
#include <vector>

namespace {

QString nullCondition(const QStringList& keyColumns)
{
    QStringList parts;
    for (const QString& k : keyColumns)
        parts.append(k + QStringLiteral(" is null"));
    return parts.join(QStringLiteral(" or "));
}

// The key of a row or column code in the code caches.
QString codeKey(const QString& reportNumber, const QString& reportDate, const QString& code)
{
    return reportNumber + QChar(0x1f) + reportDate + QChar(0x1f) + code;
}

// A numeric field put into a statement without quotes must be a plain number.
bool plainNumber(const QString& text)
{
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok && std::isfinite(d);
}

} // namespace

AutoCleanup::AutoCleanup(TEndYearDataMod& dm, CleanupState& state, AutoCleanSinks sinks, CleanupClock clock)
    : m_dm(dm), m_state(state), m_sinks(sinks), m_clock(clock ? std::move(clock) : CleanupClock(systemClock))
{
}

void AutoCleanup::log(const QString& text) { m_sinks.log.addLine(logStamp(m_clock()) + text); }

void AutoCleanup::logPlain(const QString& text) { m_sinks.log.addLine(text); }

void AutoCleanup::events() { m_sinks.events.processEvents(); }

void AutoCleanup::startCaching()
{
    m_caching = true;
    m_columnCodes.clear();
    m_rowCodes.clear();
}

void AutoCleanup::stopCaching()
{
    m_caching = false;
    m_columnCodes.clear();
    m_rowCodes.clear();
}

int AutoCleanup::barMaximum() const
{
    int maximum = 0;
    for (const DataClass* cls : dataClassesOf(m_dm.state.SystemSelector)) {
        if (!m_state.of(*cls).Remaining)
            continue;
        maximum += 6;
        if (m_removeIllegal && cls->isCellClass())
            maximum += 1;
    }
    return maximum;
}

void AutoCleanup::AutoCleanAll()
{
    const QString& system = m_dm.state.SystemSelector;
    const int maximum = barMaximum();
    m_sinks.bar.setPosition(0);
    m_sinks.bar.setRange(0, maximum);
    m_sinks.log.clear();

    // The report dictionaries do not change during the cleanup: every code is looked up once.
    startCaching();
    struct EndCaching {
        AutoCleanup* self;
        ~EndCaching() { self->stopCaching(); }
    } endCaching{this};

    // A class counts as cleaned only once its run has gone through; one interrupted by an
    // error stays out of the write-back.
    for (const DataClass* cls : dataClassesOf(system))
        if (m_state.of(*cls).Remaining)
            m_state.of(*cls).AutoCleaned = false;

    for (const DataClass* cls : dataClassesOf(system))
        if (m_state.of(*cls).Remaining)
            m_state.of(*cls).Remaining = AutoCleanClass(*cls);

    const QStringList left = m_state.leftOutNames(system);
    if (!left.isEmpty())
        log(QStringLiteral("以下数据未能安全清理，不写回主表，主表数据保持不变：") + left.join(QStringLiteral("、")));

    m_sinks.bar.setPosition(maximum);
}

qint64 AutoCleanup::countRows(const QString& table, const QString& expression)
{
    if (!m_dm.OpenSQL(QStringLiteral("select ") + expression + QStringLiteral(" as DirtyCount from ") + table))
        return -1;
    const QString text = m_dm.QryGlobalOpen.text(QStringLiteral("DirtyCount")).trimmed();
    m_dm.QryGlobalOpen.close();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok && std::isfinite(d) ? std::llround(d) : -1;
}

void AutoCleanup::failClass(const DataClass& cls, const QString& reason)
{
    const QString& n = cls.className;
    log(QStringLiteral("**********") + reason + QStringLiteral("，") + n
        + QStringLiteral("将不写回主表，主表数据保持不变！"));
    log(QStringLiteral("结束清理") + n);
    logPlain(logSeparator());
    logPlain(logBlankLine());
    events();
    m_state.of(cls).AutoCleaned = false;
}

bool AutoCleanup::excludeNullKeys(const DataClass& cls)
{
    const QString condition = nullCondition(cls.keyColumns);
    if (!m_dm.OpenSQL(QStringLiteral("select * from ") + cls.countTable() + QStringLiteral(" where ") + condition))
        return false;
    QStringList keys;
    Query& q = m_dm.QryGlobalOpen;
    for (; !q.eof(); q.next()) {
        QStringList parts;
        for (const QString& k : cls.keyColumns)
            parts.append(k + QLatin1Char('=') + (q.isNull(k) ? QStringLiteral("(空)") : q.text(k)));
        keys.append(parts.join(QLatin1Char(',')));
    }
    q.close();
    if (keys.isEmpty())
        return true;
    for (const QString& key : keys)
        log(cls.className + QStringLiteral("关键内容含空值，不参与清理，主表数据保持不变：") + key);
    return m_dm.ExecuteSQL(QStringLiteral("delete from ") + cls.countTable() + QStringLiteral(" where ") + condition)
        && m_dm.ExecuteSQL(QStringLiteral("delete from ") + cls.rangeTable() + QStringLiteral(" where ") + condition);
}

void AutoCleanup::secondPass(const DataClass& cls, bool& ok)
{
    const QString cleaned = cls.cleanedTable();
    const QString staging = cls.stagingTable();
    if (cls.id == DataClassId::LZD) {
        m_dm.ExecuteSQL(QStringLiteral("update ") + cleaned
            + QStringLiteral(" set LZD_MC = ' ' where (LZD_MC = '') or (LZD_MC is NULL)"));
    } else if (cls.isCellClass()) {
        m_dm.ExecuteSQL(QStringLiteral("update ") + cleaned
            + QStringLiteral(" set DYZD_SJ = '0', DYZD_DATA = 0 where DYZD_DATA is NULL"));
        m_dm.ExecuteSQL(QStringLiteral("update ") + cleaned
            + QStringLiteral(" set DYZD_SJ = '0' where DYZD_DATA =0 and (DYZD_SJ = '' or DYZD_SJ is NULL)"));
    }
    ok = m_dm.TruncateTable(staging) && m_dm.CopyDistinctRows(cleaned, staging) && m_dm.TruncateTable(cleaned)
        && m_dm.AppendRows(staging, cleaned)
        && m_dm.CountDuplicates(cleaned, cls.countTable(), cls.keyList(), cls.countColumn);
}

bool AutoCleanup::AutoCleanClass(const DataClass& cls)
{
    const QString& n = cls.className;
    const QString report = cls.reportTable(m_dm.state.TableNames);
    const QString staging = cls.stagingTable();
    const QString cleaned = cls.cleanedTable();
    const QString count = cls.countTable();
    const QString review = cls.reviewTable();
    auto statementFailed = [&] {
        return QStringLiteral("清理") + n + QStringLiteral("时数据库语句执行失败（") + m_dm.lastError()
            + QStringLiteral("）");
    };
    m_state.of(cls).AutoCleaned = false;

    logPlain(logSeparator());
    log(QStringLiteral("开始清理") + n);

    if (!excludeNullKeys(cls)) {
        failClass(cls, QStringLiteral("排除") + n + QStringLiteral("关键内容含空值的重复数据失败"));
        return false;
    }
    // The key range the write-back replaces must be the keys about to be copied.
    const qint64 keys = countRows(count);
    const qint64 rangeKeys = countRows(cls.rangeTable());
    const qint64 expected = countRows(count, QStringLiteral("sum(") + cls.countColumn + QLatin1Char(')'));
    if (keys < 0 || rangeKeys != keys || expected < 0) {
        failClass(cls, n + QStringLiteral("重复数据的关键内容范围与重复计数不一致"));
        return false;
    }

    // 3-5: the report rows of every duplicated key into the staging table
    log(QStringLiteral("开始复制") + n + QStringLiteral("重复数据到临时表"));
    const bool copied = m_dm.CopyMatchingRows(report, count, staging, cls.keyColumns);
    m_sinks.bar.step();
    const qint64 staged = copied ? countRows(staging) : -1;
    if (staged != expected) {
        failClass(cls, QStringLiteral("复制") + n + QStringLiteral("重复数据到临时表失败（临时表")
                + QString::number(std::max<qint64>(staged, 0)) + QStringLiteral("条，应为")
                + QString::number(expected) + QStringLiteral("条）"));
        return false;
    }
    log(QStringLiteral("结束复制") + n + QStringLiteral("重复数据到临时表"));
    events();

    // 6-8: complete duplicates
    log(QStringLiteral("开始清理") + n + QStringLiteral("中完全重复的数据"));
    const bool distinct = m_dm.CopyDistinctRows(staging, cleaned) && m_dm.TruncateTable(staging)
        && m_dm.AppendRows(cleaned, staging);
    m_sinks.bar.step();
    if (!distinct) {
        failClass(cls, statementFailed());
        return false;
    }
    log(QStringLiteral("结束清理") + n + QStringLiteral("中完全重复数据"));
    events();

    // 9: cells of illegal coordinates
    if (cls.isCellClass() && m_removeIllegal) {
        log(QStringLiteral("开始清除行列内码非法的") + n + QStringLiteral("单元格信息"));
        events();
        // The cleaned table holds exactly the staging rows here.
        const bool removed = removeIllegalCells(staging, cleaned, m_sinks.rowBar, true);
        m_sinks.bar.step();
        if (!removed) {
            failClass(cls, QStringLiteral("清除行列内码非法的") + n + QStringLiteral("单元格信息时数据库语句执行失败（")
                    + m_walkError + QStringLiteral("）"));
            return false;
        }
        log(QStringLiteral("结束清除行列内码非法的") + n + QStringLiteral("单元格信息"));
        events();
    }

    // 10: keys still duplicated
    log(QStringLiteral("开始检查") + n + QStringLiteral("关键内容重复的数据"));
    const bool counted = m_dm.CountDuplicates(cleaned, count, cls.keyList(), cls.countColumn);
    m_sinks.bar.step();
    if (!counted) {
        failClass(cls, statementFailed());
        return false;
    }
    log(QStringLiteral("结束检查") + n + QStringLiteral("关键内容重复的数据"));
    events();

    // 11: normalise and try once more
    log(QStringLiteral("开始判断") + n + QStringLiteral("是否还存在重复数据"));
    bool r = m_dm.HasRows(count);
    if (r) {
        bool ok = true;
        secondPass(cls, ok);
        if (!ok) {
            m_sinks.bar.step();
            failClass(cls, statementFailed());
            return false;
        }
        r = m_dm.HasRows(count);
    }
    m_sinks.bar.step();
    log(QStringLiteral("结束判断") + n + QStringLiteral("是否还存在重复数据"));
    events();

    if (r) {
        // 12: still-duplicated rows move from the cleaned table into the review table
        log(QStringLiteral("由于") + n + QStringLiteral("还存在部分重复数据，系统将对这些数据进行备份以供您手动清理"));
        log(QStringLiteral("开始复制") + n + QStringLiteral("未清理掉的重复数据到临时表"));
        events();
        const bool moved = m_dm.TruncateTable(review) && m_dm.CopyMatchingRows(cleaned, count, review, cls.keyColumns);
        m_sinks.bar.step();
        const qint64 want = countRows(count, QStringLiteral("sum(") + cls.countColumn + QLatin1Char(')'));
        const qint64 have = moved ? countRows(review) : -1;
        if (want < 0 || have != want) {
            failClass(cls, QStringLiteral("复制") + n + QStringLiteral("未清理掉的重复数据到临时表失败（临时表")
                    + QString::number(std::max<qint64>(have, 0)) + QStringLiteral("条，应为")
                    + QString::number(std::max<qint64>(want, 0)) + QStringLiteral("条）"));
            return false;
        }
        log(QStringLiteral("结束复制") + n + QStringLiteral("未清理掉的重复数据到临时表"));
        events();
        log(QStringLiteral("开始删除临时表中") + n + QStringLiteral("未清理掉的重复数据"));
        events();
        const bool deleted = m_dm.DeleteMatchingRows(cleaned, count, cls.keyColumns, m_sinks.rowBar, &m_sinks.events);
        m_sinks.bar.step();
        if (!deleted) {
            failClass(cls, QStringLiteral("删除临时表中") + n + QStringLiteral("未清理掉的重复数据失败（")
                    + m_dm.lastError() + QStringLiteral("）"));
            return false;
        }
        log(QStringLiteral("结束删除") + n + QStringLiteral("未清理掉的重复数据"));
        events();
    } else {
        // 13: nothing left: park the cleaned rows in the review table until the write-back
        log(QStringLiteral("开始二次复制") + n + QStringLiteral("临时表数据"));
        const bool parked = m_dm.TruncateTable(review) && m_dm.AppendRows(cleaned, review)
            && m_dm.TruncateTable(cleaned);
        m_sinks.bar.step();
        m_sinks.bar.step();
        if (!parked) {
            failClass(cls, statementFailed());
            return false;
        }
        log(QStringLiteral("结束二次复制") + n + QStringLiteral("临时表数据"));
    }

    log(QStringLiteral("结束清理") + n);
    logPlain(logSeparator());
    logPlain(logBlankLine());
    events();
    m_state.of(cls).AutoCleaned = true;
    return r;
}

bool AutoCleanup::CellCoordinatesLegal(const QString& reportNumber, const QString& reportDate,
    const QString& rowCode, const QString& columnCode)
{
    Query& q = m_dm.QryCheckDYZD;
    // A lookup that cannot run counts as found: a database error never removes a cell.
    auto found = [&q](const QString& sql) {
        try {
            q.open(sql);
            const bool any = !q.isEmpty();
            q.close();
            return any;
        } catch (const DatabaseError&) {
            q.close();
            return true;
        }
    };
    const QString where = QStringLiteral(" where BBZD_BH =") + sqlQuoted(reportNumber) + QStringLiteral(" and BBZD_DATE =")
        + sqlQuoted(reportDate);
    auto known = [&](QHash<QString, bool>& cache, const QString& code, const QString& sql) {
        if (!m_caching)
            return found(sql);
        const QString key = codeKey(reportNumber, reportDate, code);
        const auto it = cache.constFind(key);
        if (it != cache.constEnd())
            return it.value();
        const bool f = found(sql);
        cache.insert(key, f);
        return f;
    };
    if (!known(m_columnCodes, columnCode,
            QStringLiteral("select LZD_ZB from ") + m_dm.state.TableNames.LZDName + where
                + QStringLiteral(" and LZD_ORDE =") + sqlQuoted(columnCode)))
        return false;
    if (!known(m_rowCodes, rowCode,
            QStringLiteral("select HZD_ZB from ") + m_dm.state.TableNames.HZDName + where
                + QStringLiteral(" and HZD_ORDE =") + sqlQuoted(rowCode)))
        return false;
    return true;
}

bool AutoCleanup::RemoveIllegalCells(const QString& source, const QString& target, ProgressSink& bar)
{
    return removeIllegalCells(source, target, bar, false);
}

namespace {
// Equal codes in the database are equal here too, whatever its collation does with case
// and trailing blanks.
QString coordinateKey(const QString& bh, const QString& date, const QString& row, const QString& col)
{
    QString key;
    for (const QString* part : {&bh, &date, &row, &col}) {
        QString p = part->toCaseFolded();
        while (p.endsWith(QLatin1Char(' ')))
            p.chop(1);
        key += p + QChar(0x1f);
    }
    return key;
}
} // namespace

bool AutoCleanup::removeIllegalCells(const QString& source, const QString& target, ProgressSink& bar,
    bool targetMirrorsSource)
{
    // Each row or column code is looked up once per walk (or per run, see AutoCleanAll).
    const bool ownCache = !m_caching;
    if (ownCache)
        startCaching();
    const auto endCaching = qScopeGuard([this, ownCache] {
        if (ownCache)
            stopCaching();
    });

    const bool cellDictionary = target.compare(QLatin1String("optiDYZD"), Qt::CaseInsensitive) == 0;
    struct Compared {
        const char* name;
        bool quoted;
        int index = -1;
    };
    QList<Compared> compared;
    if (cellDictionary)
        compared = {{"H_BZBM", true}, {"L_BZBM", true}, {"DYZD_LX", true}, {"DYZD_DEC", false}, {"DYZD_SJ", true},
            {"DYZD_DATA", false}, {"DYZD_HOFFSET", false}, {"DYZD_LOFFSET", false}, {"DYZD_GSX", true},
            {"DYZD_GSBZ", true}, {"DYZD_GSJB", false}};

    // The source rows to visit, in source order, read one at a time (texts that repeat, such
    // as report numbers and dates, shared).
    struct Cell {
        QString bh, date, row, col, code;
        QStringList values;   // the compared columns
        int illegal = -1;     // 1 or 0 as the database found the codes, -1: look them up
        bool alone = false;   // no other source row at its coordinates
    };
    std::vector<Cell> cells;
    QHash<QString, int> perCoordinates;
    Query& rows = m_dm.QryGlobalOpen;
    auto readRows = [&](bool flagged) {
        QSet<QString> texts;
        auto shared = [&texts](QString&& t) {
            const auto it = texts.constFind(t);
            if (it != texts.constEnd())
                return *it;
            texts.insert(t);
            return t;
        };
        auto column = [&rows](const char* name) { return rows.fieldIndex(QLatin1String(name)); };
        const int cBh = column("BBZD_BH"), cDate = column("BBZD_DATE"), cRow = column("HZD_ORDE"),
                  cCol = column("LZD_ORDE");
        for (Compared& c : compared)
            c.index = column(c.name);
        const int cOrde = cellDictionary ? column("DYZD_ORDE") : -1;
        const int cIllegal = flagged ? column("IllegalCell") : -1;
        const int cAlone = flagged && cellDictionary ? column("CellAlone") : -1;
        for (; !rows.eof(); rows.next()) {
            Cell c{shared(rows.text(cBh)), shared(rows.text(cDate)), shared(rows.text(cRow)), shared(rows.text(cCol)),
                {}, {}};
            if (cellDictionary) {
                c.code = rows.text(cOrde);
                for (const Compared& k : compared)
                    c.values.append(rows.text(k.index));
            }
            if (flagged) {
                c.illegal = rows.text(cIllegal).toInt();
                c.alone = cAlone >= 0 && rows.text(cAlone).toInt() == 1;
            } else if (cellDictionary && targetMirrorsSource) {
                ++perCoordinates[coordinateKey(c.bh, c.date, c.row, c.col)];
            }
            cells.push_back(std::move(c));
        }
        rows.close();
    };

    // Where the target holds the source's rows, the database picks the rows that need a visit
    // in one statement. A row alone at legal coordinates needs none. When that statement
    // cannot run, every row is read and its codes are looked up.
    const QString pick = !cellDictionary || targetMirrorsSource ? cellsToVisit(source, cellDictionary) : QString();
    qint64 total = pick.isEmpty() ? -1 : countRows(source);
    if (total >= 0 && m_dm.OpenSQL(pick)) {
        try {
            readRows(true);
        } catch (const DatabaseError&) {
            rows.close();
            cells.clear();
            total = -1;
        }
    } else {
        total = -1;
    }
    if (total < 0) {
        // The codes of the source found in the dictionaries, in one join each instead of one
        // lookup per code (a dictionary without an index on its key would be read once per code).
        const std::optional<QSet<QString>> legalColumns
            = knownCodes(source, m_dm.state.TableNames.LZDName, QStringLiteral("LZD_ORDE"));
        const std::optional<QSet<QString>> legalRows
            = knownCodes(source, m_dm.state.TableNames.HZDName, QStringLiteral("HZD_ORDE"));
        // Unit and summary data are walked by their coordinates alone: only those are read.
        const QString read = cellDictionary ? QStringLiteral("*") : QStringLiteral("BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE");
        if (!m_dm.OpenSQL(QStringLiteral("select ") + read + QStringLiteral(" from ") + source))
            throw DatabaseError(m_dm.lastError());
        readRows(false);
        total = qint64(cells.size());
        // What the joins found decides every code of the source.
        for (Cell& c : cells) {
            if (legalColumns) {
                const QString key = codeKey(c.bh, c.date, c.col);
                if (!m_columnCodes.contains(key))
                    m_columnCodes.insert(key, legalColumns->contains(key));
            }
            if (legalRows) {
                const QString key = codeKey(c.bh, c.date, c.row);
                if (!m_rowCodes.contains(key))
                    m_rowCodes.insert(key, legalRows->contains(key));
            }
            // When the target holds the source's rows, a cell alone at its coordinates has no
            // twin to look for.
            c.alone = targetMirrorsSource && perCoordinates.value(coordinateKey(c.bh, c.date, c.row, c.col)) < 2;
        }
    }
    bar.setRange(0, int(total));
    bar.setPosition(0);

    // Statements sent once per row: prepared once, the values bound.
    const QString coordinates
        = QStringLiteral(" where BBZD_BH =? and BBZD_DATE =? and HZD_ORDE =? and LZD_ORDE =?");
    const QString illegalDelete = QStringLiteral("delete from ") + target + coordinates;
    QString twinLookup = QStringLiteral("select DYZD_ORDE from optiDYZD") + coordinates + QStringLiteral(" and DYZD_ORDE <>?");
    for (const Compared& k : compared) {
        const QString name = QLatin1String(k.name);
        // DYZD_HOFFSET and DYZD_LOFFSET are written without a blank before "=".
        const bool tight = name == QLatin1String("DYZD_HOFFSET") || name == QLatin1String("DYZD_LOFFSET");
        twinLookup += QStringLiteral(" and ") + name + (tight ? QStringLiteral("=?") : QStringLiteral(" =?"));
    }
    const QString twinDelete = QStringLiteral("delete from optiDYZD") + coordinates + QStringLiteral(" and DYZD_ORDE =?");

    QList<QVariant> values;
    StatementGroup group(m_dm.mast);
    for (const Cell& c : cells) {
        const QList<QVariant> at{c.bh, c.date, c.row, c.col};

        const bool legal = c.illegal < 0 ? CellCoordinatesLegal(c.bh, c.date, c.row, c.col) : c.illegal == 0;
        if (!legal) {
            if (!m_dm.ExecuteSQL(illegalDelete, at))
                break;
            bar.step();
        }

        if (cellDictionary && !c.alone) {
            values = at;
            values.append(c.code);
            bool sendable = true;
            for (int i = 0; i < compared.size(); ++i) {
                const QString& value = c.values.at(i);
                // A missing number can equal nothing: no match, nothing sent.
                if (!compared.at(i).quoted && !plainNumber(value)) {
                    sendable = false;
                    break;
                }
                values.append(value);
            }
            bool duplicate = false;
            if (sendable) {
                Query& check = m_dm.QryCheckDYZD;
                check.close();
                check.setSql(twinLookup);
                check.setBinds(values);
                try {
                    check.open();
                    duplicate = !check.isEmpty();
                } catch (const DatabaseError&) {
                    duplicate = false;
                }
                check.close();
            }
            if (duplicate) {
                values = at;
                values.append(c.code);
                m_dm.ExecuteSQL(twinDelete, values);
            }
        }
        events();
    }
    return group.finish(&m_walkError);
}

QString AutoCleanup::cellsToVisit(const QString& source, bool cellDictionary) const
{
    // Twins are looked for in source order: the rows must come in that order.
    if (cellDictionary && !dialect::picksRowsInTableOrder(m_dm.mast.server()))
        return {};
    // A row's codes are legal when the year's dictionaries hold them for its report and date,
    // compared by the database as the lookups compare them. Each dictionary's codes are read
    // once and joined, which needs no index on the dictionary.
    auto join = [](const QString& alias, const QString& table, const QStringList& columns) {
        QStringList on;
        for (const QString& c : columns)
            on << alias + QLatin1Char('.') + c + QStringLiteral(" = S.") + c;
        return QStringLiteral(" left join (select distinct ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" from ")
            + table + QStringLiteral(") ") + alias + QStringLiteral(" on ") + on.join(QStringLiteral(" and "));
    };
    const QString from = QStringLiteral(" from ") + source + QStringLiteral(" S")
        + join(QStringLiteral("L"), m_dm.state.TableNames.LZDName, {"BBZD_BH", "BBZD_DATE", "LZD_ORDE"})
        + join(QStringLiteral("H"), m_dm.state.TableNames.HZDName, {"BBZD_BH", "BBZD_DATE", "HZD_ORDE"});
    const QString illegal = QStringLiteral("L.BBZD_BH is null or H.BBZD_BH is null");
    if (!cellDictionary)
        return QStringLiteral("select S.BBZD_BH, S.BBZD_DATE, S.HZD_ORDE, S.LZD_ORDE, 1 as IllegalCell") + from
            + QStringLiteral(" where (case when ") + illegal + QStringLiteral(" then 1 else 0 end) = 1");
    // Only a cell that shares its coordinates with another can have a twin.
    const QString coordinates = QStringLiteral("BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE");
    QStringList on;
    for (const QString& c : coordinates.split(QStringLiteral(", ")))
        on << QStringLiteral("C.") + c + QStringLiteral(" = S.") + c;
    return QStringLiteral("select S.*, case when ") + illegal + QStringLiteral(" then 1 else 0 end as IllegalCell, ")
        + QStringLiteral("case when C.BBZD_BH is null then 1 else 0 end as CellAlone") + from
        + QStringLiteral(" left join (select ") + coordinates + QStringLiteral(" from ") + source + QStringLiteral(" group by ")
        + coordinates + QStringLiteral(" having count(1) > 1) C on ") + on.join(QStringLiteral(" and "))
        + QStringLiteral(" where (case when ") + illegal + QStringLiteral(" or C.BBZD_BH is not null then 1 else 0 end) = 1");
}

std::optional<QSet<QString>> AutoCleanup::knownCodes(const QString& source, const QString& dictionary,
    const QString& codeColumn)
{
    if (!m_caching)
        return std::nullopt;
    // Every spelling of the matching source codes: once each where distinct keeps them all
    // apart, else every matching row (a database that compares without regard to case or
    // trailing blanks would keep one spelling of several).
    const QStringList columns{QStringLiteral("S.BBZD_BH"), QStringLiteral("S.BBZD_DATE"), QStringLiteral("S.") + codeColumn};
    const QString distinct = dialect::exactDistinct(m_dm.mast.server(), columns);
    const QString sql = QStringLiteral("select ") + (distinct.isEmpty() ? columns.join(QStringLiteral(", ")) : distinct)
        + QStringLiteral(" from ") + source + QStringLiteral(" S, ") + dictionary + QStringLiteral(" D where D.BBZD_BH = S.BBZD_BH and ")
        + QStringLiteral("D.BBZD_DATE = S.BBZD_DATE and D.") + codeColumn + QStringLiteral(" = S.") + codeColumn;
    if (!m_dm.OpenSQL(sql))
        return std::nullopt;   // each code is then looked up on its own
    QSet<QString> found;
    Query& q = m_dm.QryGlobalOpen;
    try {
        for (; !q.eof(); q.next())
            found.insert(codeKey(q.text(0), q.text(1), q.text(2)));
    } catch (const DatabaseError&) {
        q.close();
        return std::nullopt;
    }
    q.close();
    return found;
}
