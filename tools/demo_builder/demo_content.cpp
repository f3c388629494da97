// Content of the demo account set: reports of both systems for 2004 and 2003, and the
// planted problems every maintenance function has something to find in.
#include "demo_builder.h"
#include "sqlite_bulk.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <set>
#include <tuple>

namespace demo {

namespace {

constexpr int kRows = 20;       // 19 item rows and the total row
constexpr int kCols = 8;        // item column and seven numeric columns
constexpr int kReportsPerScale = 5;

const char* const kItems[kRows] = {"货币资金", "短期投资", "应收票据", "应收账款", "预付账款",
    "其他应收款", "存货", "待摊费用", "长期投资", "固定资产原价", "累计折旧", "固定资产净值",
    "在建工程", "无形资产", "短期借款", "应付账款", "应交税金", "实收资本", "未分配利润", "合计"};
const char* const kTitles[kCols] = {"项目", "年初数", "期末数", "本月数", "本年累计", "上年同期",
    "预算数", "差额"};
const char* const kReportNames[] = {"资产负债表", "利润表", "现金流量表", "所有者权益变动表",
    "应交增值税明细表", "管理费用明细表", "财务费用明细表", "营业外收支明细表", "主营业务收支明细表",
    "资产减值准备明细表"};

QString rowCode(int r) { return QStringLiteral("%1").arg(r, 4, 10, QLatin1Char('0')); }
QString colCode(int c) { return QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0')); }
QString rowStd(int r) { return QStringLiteral("1") + rowCode(r); }
QString colStd(int c) { return QStringLiteral("20") + colCode(c); }
QString money(qint64 cents)
{
    char buf[32];
    const bool negative = cents < 0;
    quint64 v = negative ? quint64(-cents) : quint64(cents);
    int i = sizeof buf;
    buf[--i] = char('0' + v % 10);
    v /= 10;
    buf[--i] = char('0' + v % 10);
    v /= 10;
    buf[--i] = '.';
    do {
        buf[--i] = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (negative)
        buf[--i] = '-';
    return QString::fromLatin1(buf + i, int(sizeof buf) - i);
}

QString errorText(const QSqlError& e)
{
    const QString d = e.databaseText().trimmed();
    return d.isEmpty() ? e.text().trimmed() : d;
}

// Formula of a cell, split over DYZD_GSX and DYZD_GSX1; empty when the cell has none.
QPair<QString, QString> cellFormula(int r, int c)
{
    if (r == kRows && c == 2) {
        QStringList terms;
        for (int i = 1; i < kRows; ++i)
            terms << QStringLiteral("H%1L02").arg(rowCode(i));
        const QString f = terms.join(QLatin1Char('+'));
        return {f.left(100), f.mid(100)};
    }
    if (r == kRows && c > 2)
        return {QStringLiteral("SUM(H0001L%1:H0019L%1)").arg(colCode(c)), QString()};
    if (c == kCols)
        return {QStringLiteral("H%1L04-H%1L03").arg(rowCode(r)), QString()};
    if (r == 1 && c == 7)
        return {QStringLiteral("MACRO1(YSBB,L07)"), QString()};
    return {};
}

// The texts every report repeats, formatted once.
struct Texts {
    QString row[kRows + 1], col[kCols + 1], rstd[kRows + 1], cstd[kCols + 1], orde[kRows + 1][kCols + 1];
    QString gsx[kRows + 1][kCols + 1], gsx1[kRows + 1][kCols + 1];
    QString item[kRows + 1], title[kCols + 1];
    QString C = QStringLiteral("C"), N = QStringLiteral("N"), zero = QStringLiteral("0"), one = QStringLiteral("1");
    Texts()
    {
        for (int r = 1; r <= kRows; ++r) {
            row[r] = rowCode(r);
            rstd[r] = rowStd(r);
            item[r] = QString::fromUtf8(kItems[r - 1]);
        }
        for (int c = 1; c <= kCols; ++c) {
            col[c] = colCode(c);
            cstd[c] = colStd(c);
            title[c] = QString::fromUtf8(kTitles[c - 1]);
        }
        for (int r = 1; r <= kRows; ++r)
            for (int c = 1; c <= kCols; ++c) {
                orde[r][c] = row[r] + col[c];
                const auto f = cellFormula(r, c);
                gsx[r][c] = f.first.isNull() ? QStringLiteral("") : f.first;
                gsx1[r][c] = f.second.isNull() ? QStringLiteral("") : f.second;
            }
    }
};

// Values of one report and date in cents: [row][column], rows 1..20, columns 2..8.
using Grid = std::array<std::array<qint64, kCols + 1>, kRows + 1>;

using Inserter = BulkInsert;

enum TableMask : unsigned {
    TBBZD = 1, TBBGS = 2, THZD = 4, TLZD = 8, TDYZD = 16, TBBEX = 32, TDWSJ = 64, THZSJ = 128,
    TDWBB = 256,
    TDictionaries = TBBZD | THZD | TLZD,
    TAll = 0xffff
};

class Generator {
public:
    Generator(QSqlDatabase db, const DemoOptions& o) : m_db(db), m_o(o), m_rng(o.seed) {}

    void run()
    {
        systemRows();
        for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
            m_prefix = prefix;
            unitDictionaries(QString());
            unitDictionaries(QStringLiteral("2003"));
            currentYear();
            history();
            if (!summary())
                history2000();
        }
        m_writers.clear();
        if (m_o.dupRate > 0)
            for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
                m_prefix = prefix;
                randomDuplicates();
            }
        if (m_o.plantProblems) {
            for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
                m_prefix = prefix;
                plant();
            }
            workTables();
        }
    }

private:
    Inserter& out(const QString& table)
    {
        auto it = m_writers.find(table);
        if (it == m_writers.end())
            it = m_writers.emplace(table, std::make_unique<Inserter>(m_db, table)).first;
        return *it->second;
    }
    quint32 next() { return m_rng(); }
    qint64 cents() { return qint64(next() % 9999999u) + 1; }
    QString report(int i) const { return demoReportNumber(m_prefix, i); }
    bool summary() const { return m_prefix == QLatin1String("HZ"); }
    int units() const { return qMax(1, m_o.units); }
    QString unitCode(int u) const { return QStringLiteral("%1").arg(u + 1, 4, 10, QLatin1Char('0')); }
    QString unitCategory(int u) const { return u < units() - units() / 3 ? QStringLiteral("01") : QStringLiteral("02"); }
    void exec(const QString& sql) { execSql(m_db, sql); }
    QStringList classBases() const
    {
        return summary() ? QStringList{"HZD", "LZD", "DYZD", "DWSJ", "HZSJ"} : QStringList{"HZD", "LZD", "DYZD"};
    }

    void systemRows()
    {
        insertRows(m_db, QStringLiteral("kvdbztxx"),
            {{"001", "演示", "dba", "sql", m_o.dsn}, {"002", "分公司", "dba", "sql", m_o.dsn}});
        insertRows(m_db, QStringLiteral("JWCONF"),
            {{"BB_KJND", "2004", "报表管理会计年度"}, {"HZ_KJND", "2004", "报表汇总会计年度"},
                {"ZW_KJND", "2004", "账务会计年度"}});
        insertRows(m_db, QStringLiteral("JWREGS"), {{"DEMO-PC01", "W01"}, {"FINANCE-02", "W02"}});
        QList<QVariantList> tabn;
        for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")})
            for (const QString& base : reportBases(prefix))
                tabn << QVariantList{prefix == QLatin1String("KR") ? "BB" : "HZ", prefix + base};
        tabn << QVariantList{"BB", "KRDYZD"};
        tabn << QVariantList{"XT", "JWCONF"} << QVariantList{"XT", "JWREGS"} << QVariantList{"XT", "JWTABN"};
        tabn << QVariantList{"ZW", "ZWPZK"};
        insertRows(m_db, QStringLiteral("JWTABN"), tabn);
    }

    void unitDictionaries(const QString& suffix)
    {
        if (!summary())
            return;
        static const char* const names[] = {"总部机关", "第一分公司", "第二分公司", "第三分公司",
            "第四分公司", "销售公司", "物资公司", "研究所"};
        for (int u = 0; u < units(); ++u)
            out(QStringLiteral("HZDWZD") + suffix)
                .add({unitCode(u), u < 8 ? QString::fromUtf8(names[u]) : QStringLiteral("单位%1").arg(u + 1),
                    unitCategory(u)});
        out(QStringLiteral("HZLBZD") + suffix).add({"01", "工业企业"});
        out(QStringLiteral("HZLBZD") + suffix).add({"02", "商业企业"});
    }

    QString reportName(int i) const
    {
        const int n = int(std::size(kReportNames));
        const QString base = QString::fromUtf8(kReportNames[i % n]);
        return i < n ? base : base + QString::number(i / n + 1);
    }

    Grid grid()
    {
        Grid g{};
        for (int r = 1; r < kRows; ++r) {
            for (int c = 2; c < kCols; ++c)
                g[r][c] = cents();
            g[r][kCols] = g[r][4] - g[r][3];
        }
        for (int c = 2; c <= kCols; ++c) {
            qint64 sum = 0;
            for (int r = 1; r < kRows; ++r)
                sum += g[r][c];
            g[kRows][c] = sum;
        }
        return g;
    }

    QByteArray formatBlob()
    {
        QByteArray b("CELL\x02\x00", 6);
        const int n = 64 + int(next() % 448);
        for (int i = 0; i < n; ++i)
            b.append(char(next() & 0xff));
        return b;
    }

    // One report under one date, in the tables of the mask. The cell rows are written in
    // the column order of cellRow(), without its per-row work.
    void reportDate(const QString& suffix, int i, const QString& date, unsigned mask)
    {
        static const Texts T;
        const QString P = m_prefix;
        const QString bh = report(i);
        if (mask & TBBZD)
            out(P + "BBZD" + suffix).add(reportRow({.bh = bh, .date = date, .mc = reportName(i),
                .hs = kRows, .ls = kCols, .orde = QStringLiteral("%1").arg(i + 1, 6, 10, QLatin1Char('0')),
                .sbbh = bh, .lx = QStringLiteral("1")}));
        if (mask & TBBGS)
            out(P + "BBGS" + suffix).add(formatRow({.bh = bh, .date = date, .xh = 1, .gs = formatBlob()}));
        if (mask & THZD)
            for (int r = 1; r <= kRows; ++r)
                out(P + "HZD" + suffix).add(rowRow({.bh = bh, .date = date, .orde = T.row[r], .zb = r + 2,
                    .bzbm = T.rstd[r]}));
        if (mask & TLZD)
            for (int c = 1; c <= kCols; ++c)
                out(P + "LZD" + suffix).add(columnRow({.bh = bh, .date = date, .orde = T.col[c], .zb = c,
                    .bzbm = T.cstd[c], .mc = T.title[c],
                    .sz = c == 1 ? "0" : "1", .hz = c == 1 ? "0" : "1", .tz = "0", .xm = c == 1 ? "1" : "0"}));

        // Unit values; the cell dictionary of the summary system holds their total.
        const int nUnits = summary() && (mask & (TDWSJ | THZSJ | TDYZD)) ? units() : 0;
        std::vector<Grid> unitGrids;
        Grid total{};
        if (nUnits > 0) {
            for (int u = 0; u < nUnits; ++u) {
                unitGrids.push_back(grid());
                for (int r = 1; r <= kRows; ++r)
                    for (int c = 2; c <= kCols; ++c)
                        total[r][c] += unitGrids.back()[r][c];
            }
        } else if (mask & TDYZD) {
            total = grid();
        }

        if (mask & TDYZD) {
            Inserter& cells = out(P + "DYZD" + suffix);
            for (int r = 1; r <= kRows; ++r)
                for (int c = 1; c <= kCols; ++c) {
                    const bool item = c == 1;
                    const QString& gsx = T.gsx[r][c];
                    cells.add({bh, date, T.orde[r][c], T.row[r], T.col[c], T.rstd[r], T.cstd[c],
                        item ? T.C : T.N, item ? 0 : 2, item ? T.item[r] : money(total[r][c]),
                        item ? 0.0 : total[r][c] / 100.0, T.zero, T.zero, 0, 0, gsx, T.gsx1[r][c],
                        gsx.isEmpty() ? T.zero : T.one, gsx.isEmpty() ? 0 : 1});
                }
        }
        if (mask & TDWSJ)
            for (int u = 0; u < nUnits; ++u)
                for (int r = 1; r <= kRows; ++r)
                    for (int c = 2; c <= kCols; ++c)
                        out(P + "DWSJ" + suffix).add({unitCode(u), bh, date, T.row[r], T.col[c], T.rstd[r],
                            T.cstd[c], money(unitGrids[u][r][c]), unitGrids[u][r][c] / 100.0});
        if (mask & THZSJ)
            for (const QString& cat : {QStringLiteral("01"), QStringLiteral("02")}) {
                Grid sum{};
                bool any = false;
                for (int u = 0; u < nUnits; ++u)
                    if (unitCategory(u) == cat) {
                        any = true;
                        for (int r = 1; r <= kRows; ++r)
                            for (int c = 2; c <= kCols; ++c)
                                sum[r][c] += unitGrids[u][r][c];
                    }
                if (!any)
                    continue;
                for (int r = 1; r <= kRows; ++r)
                    for (int c = 2; c <= kCols; ++c)
                        out(P + "HZSJ" + suffix).add({cat, bh, date, T.row[r], T.col[c], T.rstd[r], T.cstd[c],
                            money(sum[r][c]), sum[r][c] / 100.0});
            }
        if (mask & TDWBB)
            for (int u = 0; u < units(); ++u)
                out(P + "DWBB" + suffix).add({unitCode(u), bh, date, "1", date.left(6) + "28"});
        if (mask & TBBEX) {
            ExtensionValues x{.bh = bh, .date = date};
            x.exc[0] = QStringLiteral("0");
            x.exc[1] = QStringLiteral("1");
            x.exc[2] = QStringLiteral("制表人%1").arg(i % 7 + 1);
            x.exc[3] = date.left(4) + QLatin1Char('-') + date.mid(4, 2) + QStringLiteral("-28");
            x.exi[0] = date.mid(4, 2).toInt();
            x.exi[1] = 0;
            x.exn[0] = 0.0;
            out(P + "BBEX" + suffix).add(extensionRow(x));
        }
    }

    void checkFormulas(const QString& suffix, const QString& bh, const QString& date, int count)
    {
        for (int k = 1; k <= count; ++k) {
            CheckValues v{.bh = bh, .date = date, .orde = k};
            if (k <= 3) {
                v.row = rowCode(k);
                v.col = colCode(kCols);
                v.exp = cellFormula(k, kCols).first;
                v.note = QStringLiteral("差额校验");
            } else {
                v.row = rowCode(kRows);
                v.col = colCode(k - 1);
                v.exp = QStringLiteral("JYSUM(H0001:H0019,L%1)").arg(colCode(k - 1));
                v.note = QStringLiteral("合计校验");
            }
            v.exp1 = QStringLiteral("");
            v.flag = QStringLiteral("1");
            out(m_prefix + "JYGS" + suffix).add(checkRow(v));
        }
    }

    unsigned allTables() const
    {
        return summary() ? unsigned(TAll) : unsigned(TAll & ~(TDWSJ | THZSJ | TDWBB));
    }

    void currentYear()
    {
        const int n = demoReportCount(m_o, m_prefix);
        const unsigned all = allTables();
        for (int i = 0; i < n; ++i) {
            if (i == 4)
                for (const QString& base : classBases())
                    m_randomFrom[m_prefix + base] = out(m_prefix + base).count() + 1;
            for (int m = 1; m <= 12; ++m) {
                QString date = QStringLiteral("2004%1").arg(m, 2, 10, QLatin1Char('0'));
                if (m_o.plantProblems && i == 1 && m == 2)
                    date = QStringLiteral("2004");   // saved on 29 February only
                reportDate(QString(), i, date, all);
            }
            if (m_o.plantProblems) {
                if (i == 0) {
                    reportDate(QString(), i, QStringLiteral("200312"), all);
                    reportDate(QString(), i, QStringLiteral("2004"), all & ~(TBBEX | TDWBB));
                    checkFormulas(QString(), report(i), QStringLiteral("200312"), 1);
                }
                if (i == 1)
                    reportDate(QString(), i, QStringLiteral("200311"), TDictionaries | TDYZD | TDWSJ);
                if (i == 3)
                    reportDate(QString(), i, QStringLiteral("2003"), TDictionaries);
                // 2000 has tables in report management only.
                if (i == 2)
                    reportDate(QString(), i, QStringLiteral("200012"), THZD);
            }
            if (i < 2)
                checkFormulas(QString(), report(i), QStringLiteral("200401"), 7);
        }
        for (const QString& base : classBases())
            m_randomTo[m_prefix + base] = out(m_prefix + base).count();
    }

    void history()
    {
        const QString suffix = QStringLiteral("2003");
        const int n = qMin(3, demoReportCount(m_o, m_prefix));
        for (int i = 0; i < n; ++i) {
            for (int m = 1; m <= (i == 0 ? 11 : 12); ++m)
                reportDate(suffix, i, QStringLiteral("2003%1").arg(m, 2, 10, QLatin1Char('0')), allTables());
            if (i < 2)
                checkFormulas(suffix, report(i), QStringLiteral("200301"), 7);
        }
    }

    // Report management only: A and B all year.
    void history2000()
    {
        const int n = qMin(2, demoReportCount(m_o, m_prefix));
        for (int i = 0; i < n; ++i)
            for (int m = 1; m <= 12; ++m)
                reportDate(QStringLiteral("2000"), i, QStringLiteral("2000%1").arg(m, 2, 10, QLatin1Char('0')), allTables());
    }

    // ---- random duplicates in the reports after the fourth

    void randomDuplicates()
    {
        for (const QString& base : classBases()) {
            const QString table = m_prefix + base;
            const qint64 from = m_randomFrom.value(table, 0);
            const qint64 to = m_randomTo.value(table, 0);
            if (from <= 0 || to < from)
                continue;
            const qint64 k = qMin<qint64>(to - from + 1, qRound64(m_o.dupRate * double(to)));
            if (k <= 0)
                continue;
            // Floyd's selection of k distinct row ids in [from, to].
            std::set<qint64> chosen;
            const qint64 span = to - from + 1;
            for (qint64 j = span - k; j < span; ++j) {
                const qint64 t = qint64((quint64(next()) << 32 | next()) % quint64(j + 1));
                if (!chosen.insert(from + t).second)
                    chosen.insert(from + j);
            }
            QSqlQuery copy(m_db);
            copy.prepare(QStringLiteral("insert into %1 select * from %1 where rowid = ?").arg(table));
            QSqlQuery change(m_db);
            change.prepare(QStringLiteral("update %1 set %2 where rowid = ?").arg(table, conflictChange(base)));
            QSqlQuery orde(m_db);
            if (base == QLatin1String("DYZD"))
                orde.prepare(QStringLiteral("update %1 set DYZD_ORDE = '9' || DYZD_ORDE where rowid = ?").arg(table));
            const int kinds = base == QLatin1String("DYZD") ? 3 : 2;
            int j = 0;
            for (const qint64 id : chosen) {
                copy.bindValue(0, id);
                if (!copy.exec())
                    throw BuildError(QStringLiteral("copy of %1 row %2: %3").arg(table).arg(id).arg(errorText(copy.lastError())));
                const qint64 added = copy.lastInsertId().toLongLong();
                QSqlQuery* q = j % kinds == 1 ? &change : j % kinds == 2 ? &orde : nullptr;
                if (q) {
                    q->bindValue(0, added);
                    if (!q->exec())
                        throw BuildError(QStringLiteral("change of %1 row %2: %3").arg(table).arg(added).arg(errorText(q->lastError())));
                }
                ++j;
            }
        }
    }

    static QString conflictChange(const QString& base)
    {
        if (base == QLatin1String("HZD"))
            return QStringLiteral("HZD_ZB = HZD_ZB + 100");
        if (base == QLatin1String("LZD"))
            return QStringLiteral("LZD_MC = LZD_MC || '（新）'");
        // Numeric cells get another value, text cells another text.
        return QStringLiteral("DYZD_SJ = case when DYZD_DATA <> 0 then printf('%.2f', DYZD_DATA + 1) "
                              "else DYZD_SJ || '*' end, "
                              "DYZD_DATA = case when DYZD_DATA <> 0 then DYZD_DATA + 1 else DYZD_DATA end");
    }

    // ---- the fixed planted problems

    QString cellWhere(const QString& bh, const QString& date, const QString& row, const QString& col,
                      const QString& unitColumn = {}, const QString& unit = {}) const
    {
        QString w = QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '%2' and HZD_ORDE = '%3' and LZD_ORDE = '%4'")
                        .arg(bh, date, row, col);
        if (!unitColumn.isEmpty())
            w = QStringLiteral("%1 = '%2' and ").arg(unitColumn, unit) + w;
        return w;
    }
    void copyRows(const QString& table, const QString& where, int times)
    {
        for (int t = 0; t < times; ++t)
            exec(QStringLiteral("insert into %1 select * from %1 where rowid = (select min(rowid) from %1 where %2)")
                     .arg(table, where));
    }
    void copyRowChanged(const QString& table, const QString& where, const QString& set)
    {
        copyRows(table, where, 1);
        exec(QStringLiteral("update %1 set %2 where rowid = last_insert_rowid()").arg(table, set));
    }
    void update(const QString& table, const QString& where, const QString& set)
    {
        exec(QStringLiteral("update %1 set %2 where %3").arg(table, set, where));
    }

    void plant()
    {
        const QString P = m_prefix;
        const QString A = report(0), B = report(1), C = report(2);
        const QString hzd = P + "HZD", lzd = P + "LZD", dyzd = P + "DYZD";
        auto rowWhere = [](const QString& bh, const QString& date, const QString& code) {
            return QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '%2' and HZD_ORDE = '%3'").arg(bh, date, code);
        };
        auto colWhere = [](const QString& bh, const QString& date, const QString& code) {
            return QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '%2' and LZD_ORDE = '%3'").arg(bh, date, code);
        };
        const QString otherValue = QStringLiteral("DYZD_DATA = DYZD_DATA + 1, DYZD_SJ = printf('%.2f', DYZD_DATA + 1)");
        const QString emptyValue = QStringLiteral("DYZD_DATA = NULL, DYZD_SJ = ''");
        const QString zeroValue = QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '0'");

        // Row dictionary
        copyRows(hzd, rowWhere(A, "200405", "0003"), 2);
        if (demoReportCount(m_o, m_prefix) > 2)
            copyRows(hzd, rowWhere(C, "200405", "0007"), 1);
        copyRowChanged(hzd, rowWhere(A, "200406", "0005"), QStringLiteral("HZD_ZB = 99"));
        // Column dictionary
        copyRows(lzd, colWhere(A, "200405", "03"), 1);
        update(lzd, colWhere(A, "200407", "04"), QStringLiteral("LZD_MC = ''"));
        copyRowChanged(lzd, colWhere(A, "200407", "04"), QStringLiteral("LZD_MC = NULL"));
        copyRowChanged(lzd, colWhere(A, "200406", "05"), QStringLiteral("LZD_MC = '本年累计数'"));
        // Cell dictionary
        copyRows(dyzd, cellWhere(A, "200405", "0003", "03"), 1);
        if (demoReportCount(m_o, m_prefix) > 2)
            copyRows(dyzd, cellWhere(C, "200410", "0010", "05"), 2);
        copyRowChanged(dyzd, cellWhere(A, "200407", "0004", "04"), QStringLiteral("DYZD_ORDE = '990404'"));
        update(dyzd, cellWhere(A, "200407", "0006", "06"), zeroValue);
        copyRowChanged(dyzd, cellWhere(A, "200407", "0006", "06"), emptyValue);
        copyRowChanged(dyzd, cellWhere(A, "200406", "0005", "05"), otherValue);
        const QVariantList illegal = cellRow({.bh = A, .date = "200408", .row = "0099", .col = "03",
            .text = "100.00", .data = 100, .hBzbm = "10099", .lBzbm = colStd(3)});
        insertRows(m_db, dyzd, {illegal, illegal,
            cellRow({.bh = A, .date = "200408", .row = "0002", .col = "99", .text = "5.00", .data = 5}),
            cellRow({.bh = A, .date = "200408", .row = "0002", .col = "99", .text = "6.00", .data = 6}),
            cellRow({.bh = A, .date = "200409", .row = "0098", .col = "02", .text = "1.00", .data = 1})});
        // Zero values with a number in the text
        update(dyzd, cellWhere(B, "200403", "0003", "04"), QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '12.5'"));
        update(dyzd, cellWhere(B, "200403", "0004", "04"), QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '3000'"));
        update(dyzd, cellWhere(B, "200403", "0005", "04"), QStringLiteral("DYZD_DATA = 0, DYZD_SJ = ''"));
        update(dyzd, cellWhere(B, "200403", "0006", "04"), zeroValue);
        update(dyzd + "2003", cellWhere(B, "200303", "0003", "04"), QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '45'"));
        if (!summary())
            update(dyzd + "2000", cellWhere(B, "200012", "0003", "04"), QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '66'"));
        // Historical duplicate
        copyRows(hzd + "2003", rowWhere(B, "200305", "0002"), 1);
        // A row without a year in its report date
        if (demoReportCount(m_o, m_prefix) > 3)
            insertRows(m_db, hzd, {rowRow({.bh = report(3), .date = "", .orde = "0001", .zb = 3, .bzbm = "10001"})});

        if (summary())
            for (const auto& [table, unitColumn, first, second] :
                 {std::tuple{P + "DWSJ", QStringLiteral("DWZD_BH"), unitCode(0), unitCode(qMin(1, units() - 1))},
                     std::tuple{P + "HZSJ", QStringLiteral("LBZD_BH"), QStringLiteral("01"), QStringLiteral("02")}}) {
                copyRows(table, cellWhere(A, "200405", "0003", "03", unitColumn, first), 1);
                copyRowChanged(table, cellWhere(A, "200406", "0005", "05", unitColumn, second), otherValue);
                update(table, cellWhere(A, "200407", "0006", "06", unitColumn, first), zeroValue);
                copyRowChanged(table, cellWhere(A, "200407", "0006", "06", unitColumn, first), emptyValue);
                const QVariantList bad = unitCellRow({.unit = first, .bh = A, .date = "200408", .row = "0099",
                    .col = "03", .text = "100.00", .data = 100});
                insertRows(m_db, table, {bad, bad});
                update(table, cellWhere(B, "200403", "0003", "04", unitColumn, first),
                       table.endsWith(QLatin1String("DWSJ")) ? QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '88.8'")
                                                             : QStringLiteral("DYZD_DATA = 0, DYZD_SJ = '177.6'"));
            }

        // Report formats and extension rows
        if (demoReportCount(m_o, m_prefix) > 2)
            insertRows(m_db, P + "BBGS", {formatRow({.bh = C, .date = "200401", .xh = 2, .gs = QByteArray("", 0)})});
        insertRows(m_db, P + "BBEX", {extensionRow({.bh = "999", .date = "200401"}),
            extensionRow({.bh = A, .date = "200400"})});
        copyRows(P + "BBEX", QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '200401'").arg(B), 1);
        if (demoReportCount(m_o, m_prefix) > 2)
            copyRowChanged(P + "BBEX", QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '200401'").arg(C),
                           QStringLiteral("BBEX_EXC3 = 'ZZ'"));
        if (demoReportCount(m_o, m_prefix) > 3)
            formulaCases();
    }

    // Report D/200401: a formula holding quotes, one whose second part is NULL (not yet a
    // check formula) and one of the same kind that is one already, with ordinal 1; a
    // format of every byte value. Summary system: the extended formula layout of 2002.
    void formulaCases()
    {
        const QString P = m_prefix, D = report(3);
        update(P + "DYZD", cellWhere(D, "200401", "0002", "07"),
            QStringLiteral("DYZD_GSX = 'IIF(H0002L04>0,''增加'',''减少'')', DYZD_GSX1 = '', DYZD_GSBZ = '1'"));
        update(P + "DYZD", cellWhere(D, "200401", "0003", "07"),
            QStringLiteral("DYZD_GSX = 'H0003L04*2', DYZD_GSX1 = NULL, DYZD_GSBZ = '1'"));
        update(P + "DYZD", cellWhere(D, "200401", "0004", "07"),
            QStringLiteral("DYZD_GSX = 'H0004L04*2', DYZD_GSX1 = NULL, DYZD_GSBZ = '1'"));
        QVariantList check = checkRow({.bh = D, .date = "200401", .orde = 1, .row = "0004", .col = "07",
            .exp = "H0004L04*2", .note = QStringLiteral("差额校验"), .flag = "1"});
        check[9] = QVariant();   // JYGS_EXP1 NULL
        insertRows(m_db, P + "JYGS", {check});
        QByteArray every;
        for (int i = 0; i < 4 * 256; ++i)
            every.append(char(i & 0xff));
        insertRows(m_db, P + "BBGS", {formatRow({.bh = D, .date = "200401", .xh = 2, .gs = every})});
        if (summary())
            extendedLayout();
    }

    void extendedLayout()
    {
        const QString P = m_prefix, A = report(0), S = QStringLiteral("2002");
        const TableOptions extended{.keyIndexes = false, .extendedFormulas = true};
        for (const QString& base : {QStringLiteral("BBZD"), QStringLiteral("DYZD"), QStringLiteral("JYGS")})
            createReportTable(m_db, P, base, S, extended);
        insertRows(m_db, P + "BBZD" + S, {reportRow({.bh = A, .date = "200201", .mc = reportName(0)})});
        QList<QVariantList> cells;
        for (int r = 1; r <= 4; ++r)
            cells << cellRow({.bh = A, .date = "200201", .row = rowCode(r), .col = colCode(kCols),
                .text = "0.00", .data = 0, .gsx = QStringLiteral("H%1L04-").arg(rowCode(r)),
                .gsx1 = QStringLiteral("H%1L03").arg(rowCode(r)), .gsx2 = QStringLiteral("+H%1L05").arg(rowCode(r)),
                .gsx3 = QStringLiteral("-H%1L06").arg(rowCode(r))}, true);
        cells << cellRow({.bh = A, .date = "200201", .row = rowCode(5), .col = colCode(7),
            .gsx = "MACRO1(YSBB,L07)"}, true);
        insertRows(m_db, P + "DYZD" + S, cells);
        insertRows(m_db, P + "JYGS" + S, {checkRow({.bh = A, .date = "200201", .orde = 3, .row = rowCode(1),
            .col = colCode(kCols), .exp = "H0001L04-", .exp1 = "H0001L03", .note = QStringLiteral("差额校验"),
            .flag = "1", .exp2 = "+H0001L05", .exp3 = "-H0001L06"}, true)});
    }

    void workTables()
    {
        const QList<Column> columns{{"ID", "int"}, {"MC", "varchar(20)"}};
        QStringList names;
        for (const char* n : PlantedTables::workTables)
            names << QString::fromLatin1(n);
        for (const char* n : PlantedTables::keptTables)
            names << QString::fromLatin1(n);
        for (const QString& name : names) {
            createTable(m_db, name, columns);
            insertRows(m_db, name, {{1, "临时"}, {2, "数据"}});
        }
    }

    QSqlDatabase m_db;
    const DemoOptions& m_o;
    std::mt19937 m_rng;
    QString m_prefix;
    std::map<QString, std::unique_ptr<Inserter>> m_writers;
    QMap<QString, qint64> m_randomFrom, m_randomTo;
};

} // namespace

QString demoReportNumber(const QString& prefix, int index)
{
    return QString::number((prefix == QLatin1String("HZ") ? 201 : 101) + index);
}

int demoReportCount(const DemoOptions& options, const QString& prefix)
{
    const int own = prefix == QLatin1String("HZ") ? options.summaryScale : options.managementScale;
    const int scale = own > 0 ? own : options.scale;
    return kReportsPerScale * qMax(1, scale);
}

int scaleForCellRows(qint64 cellRowsPerSystem)
{
    const qint64 perScale = qint64(kReportsPerScale) * 12 * kRows * kCols;
    return int(qMax<qint64>(1, (cellRowsPerSystem + perScale - 1) / perScale));
}

void fillDemoDatabase(QSqlDatabase db, const DemoOptions& options, QMap<QString, qint64>* rows)
{
    createSystemTables(db);
    const TableOptions plain{.keyIndexes = false};
    for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
        createReportTables(db, prefix, QString(), plain);
        createReportTables(db, prefix, QStringLiteral("2003"), plain);
    }
    createReportTables(db, QStringLiteral("KR"), QStringLiteral("2000"), plain);
    if (!db.transaction())
        throw BuildError(QStringLiteral("begin: %1").arg(errorText(db.lastError())));
    try {
        Generator(db, options).run();
        if (options.keyIndexes)
            for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
                createKeyIndexes(db, prefix, QString());
                createKeyIndexes(db, prefix, QStringLiteral("2003"));
            }
        if (options.keyIndexes)
            createKeyIndexes(db, QStringLiteral("KR"), QStringLiteral("2000"));
        if (!db.commit())
            throw BuildError(QStringLiteral("commit: %1").arg(errorText(db.lastError())));
    } catch (...) {
        db.rollback();
        throw;
    }
    if (rows) {
        rows->clear();
        for (const QStringList& t : queryRows(db, QStringLiteral("select name from sqlite_master where type = 'table' order by name"))) {
            const auto n = queryRows(db, QStringLiteral("select count(*) from %1").arg(t[0]));
            rows->insert(t[0], n.value(0).value(0).toLongLong());
        }
    }
}

DemoResult buildDemo(const QString& folder, const DemoOptions& options)
{
    QElapsedTimer timer;
    timer.start();
    DemoResult r;
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        throw BuildError(QStringLiteral("cannot create folder %1").arg(folder));
    r.folder = dir.absolutePath();
    r.dsn = options.dsn;
    r.dbFile = dir.absoluteFilePath(options.dbFileName.isEmpty() ? options.dsn + QStringLiteral(".db")
                                                                  : options.dbFileName);
    for (const char* ext : {"", "-wal", "-shm", "-journal"})
        if (QFile::exists(r.dbFile + ext) && !QFile::remove(r.dbFile + ext))
            throw BuildError(QStringLiteral("cannot replace %1").arg(r.dbFile + ext));
    {
        SqliteFile file(r.dbFile);
        QSqlDatabase db = file.db();
        execSql(db, QStringLiteral("PRAGMA journal_mode = MEMORY"));
        execSql(db, QStringLiteral("PRAGMA synchronous = OFF"));
        execSql(db, QStringLiteral("PRAGMA cache_size = -65536"));
        fillDemoDatabase(db, options, &r.rows);
        execSql(db, options.walJournal ? QStringLiteral("PRAGMA journal_mode = WAL")
                                       : QStringLiteral("PRAGMA journal_mode = DELETE"));
    }
    for (auto it = r.rows.cbegin(); it != r.rows.cend(); ++it)
        r.totalRows += it.value();
    r.cellRows = r.rows.value(QStringLiteral("KRDYZD")) + r.rows.value(QStringLiteral("HZDYZD"));

    r.odbcIni = dir.absoluteFilePath(QStringLiteral("odbc.ini"));
    writeOdbcIni(r.odbcIni, options.dsn, r.dbFile);
    writeJwcwIni(r.folder, demoJwcwSections(options.dsn));
    writeKolvarinIni(r.folder, demoKolvarinSections());
    if (options.autoStartFile)
        r.autoStartFile = writeAutoStartFile(r.folder, options.today, options.dsn);
    r.elapsedMs = timer.elapsed();
    return r;
}

} // namespace demo
