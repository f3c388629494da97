// The demo account set: planted problems counted by queries, table layouts, settings
// files in GBK, the scale and duplicate-rate options, and the ODBC path of the fixture.
#include "support/test_account_set.h"

#include "data_module/query.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
// P, A, B, C, D in a statement stand for the system prefix and its first four reports.
QString forSystem(QString sql, const QString& prefix)
{
    sql.replace(QStringLiteral("{P}"), prefix);
    for (int i = 0; i < 4; ++i)
        sql.replace(QStringLiteral("{%1}").arg(QChar(u'A' + i)), demo::demoReportNumber(prefix, i));
    return sql;
}

QString gbk(const QByteArray& bytes)
{
    QStringDecoder d("GB18030");
    const QString s = d.decode(bytes);
    return d.hasError() ? QString() : s;
}

QStringList tableColumns(const TestAccountSet& as, const QString& table)
{
    QStringList names;
    for (const QStringList& r : as.rows(QStringLiteral("select name from pragma_table_info('%1') order by cid").arg(table)))
        names << r.first();
    return names;
}

// Keys of a class that occur more than once, as the duplicate check groups them.
int duplicatedKeys(const TestAccountSet& as, const QString& table, const QString& keys, const QString& where = {})
{
    return as.value(QStringLiteral("select count(*) from (select %1 from %2 %3 group by %1 having count(*) > 1)")
                        .arg(keys, table, where.isEmpty() ? QString() : QStringLiteral("where ") + where))
        .toInt();
}
} // namespace

class TestDemoBuilder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void plantedProblems_data();
    void plantedProblems();
    void reportTableLayouts_data();
    void reportTableLayouts();
    void settingsFilesAreGbk_data();
    void settingsFilesAreGbk();
    void maintenanceSettingsNameRealIndexes();
    void autoStartFile_data();
    void autoStartFile();
    void odbcPathSeesStatedRows();
    void cleanOptionsPlantNothing();
    void scaleAndDuplicateRate_data();
    void scaleAndDuplicateRate();
    void sameSeedSameContent();
    void fixtureStatesItsOwnRows();

private:
    std::unique_ptr<TestAccountSet> m_demo;
};

void TestDemoBuilder::initTestCase()
{
    m_demo = std::make_unique<TestAccountSet>(TestAccountSetOptions{.demoContent = true});
}

void TestDemoBuilder::cleanupTestCase() { m_demo.reset(); }

void TestDemoBuilder::plantedProblems_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("expected");

    const QString cell = QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '%2' and HZD_ORDE = '%3' and LZD_ORDE = '%4'");
    auto add = [](const QString& tag, const QString& prefix, const QString& sql, int expected) {
        QTest::newRow(qPrintable(prefix + QLatin1Char(' ') + tag)) << forSystem(sql, prefix) << expected;
    };
    for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
        // Duplicates of the row, column and cell dictionaries
        add("row complete copies", prefix,
            "select count(*) from {P}HZD where BBZD_BH = '{A}' and BBZD_DATE = '200405' and HZD_ORDE = '0003'", 3);
        add("row complete copies identical", prefix,
            "select count(*) from (select distinct * from {P}HZD where BBZD_BH = '{A}' and BBZD_DATE = '200405' and HZD_ORDE = '0003')", 1);
        add("row key duplicate differs in coordinate", prefix,
            "select count(distinct HZD_ZB) from {P}HZD where BBZD_BH = '{A}' and BBZD_DATE = '200406' and HZD_ORDE = '0005'", 2);
        add("row duplicated keys of the first four reports", prefix,
            "select count(*) from (select 1 from {P}HZD where BBZD_BH in ('{A}','{B}','{C}','{D}') "
            "group by BBZD_BH, BBZD_DATE, HZD_ORDE having count(*) > 1)", 3);
        add("column complete copies", prefix,
            "select count(*) from {P}LZD where BBZD_BH = '{A}' and BBZD_DATE = '200405' and LZD_ORDE = '03'", 2);
        add("column title empty", prefix,
            "select count(*) from {P}LZD where BBZD_BH = '{A}' and BBZD_DATE = '200407' and LZD_ORDE = '04' and LZD_MC = ''", 1);
        add("column title missing", prefix,
            "select count(*) from {P}LZD where BBZD_BH = '{A}' and BBZD_DATE = '200407' and LZD_ORDE = '04' and LZD_MC is null", 1);
        add("column titles differ", prefix,
            "select count(distinct LZD_MC) from {P}LZD where BBZD_BH = '{A}' and BBZD_DATE = '200406' and LZD_ORDE = '05'", 2);
        add("column duplicated keys of the first four reports", prefix,
            "select count(*) from (select 1 from {P}LZD where BBZD_BH in ('{A}','{B}','{C}','{D}') "
            "group by BBZD_BH, BBZD_DATE, LZD_ORDE having count(*) > 1)", 3);
        add("cell complete copies", prefix,
            "select count(*) from {P}DYZD where " + cell.arg("{A}", "200405", "0003", "03"), 2);
        add("cell three copies", prefix,
            "select count(*) from (select distinct * from {P}DYZD where " + cell.arg("{C}", "200410", "0010", "05")
                + ") join (select count(*) n from {P}DYZD where " + cell.arg("{C}", "200410", "0010", "05") + ") where n = 3", 1);
        add("cells differing only in the cell code", prefix,
            "select count(*) from (select distinct BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE, H_BZBM, L_BZBM, DYZD_LX, DYZD_DEC, "
            "DYZD_SJ, DYZD_DATA, DYZD_SFTZ, DYZD_SFBH, DYZD_HOFFSET, DYZD_LOFFSET, DYZD_GSX, DYZD_GSX1, DYZD_GSBZ, DYZD_GSJB "
            "from {P}DYZD where " + cell.arg("{A}", "200407", "0004", "04") + ") join (select count(distinct DYZD_ORDE) n from {P}DYZD where "
                + cell.arg("{A}", "200407", "0004", "04") + ") where n = 2", 1);
        add("cell value missing beside zero", prefix,
            "select count(*) from {P}DYZD where " + cell.arg("{A}", "200407", "0006", "06")
                + " and ((DYZD_DATA is null and DYZD_SJ = '') or (DYZD_DATA = 0 and DYZD_SJ = '0'))", 2);
        add("cell values differ", prefix,
            "select count(distinct DYZD_DATA) from {P}DYZD where " + cell.arg("{A}", "200406", "0005", "05"), 2);
        add("cell duplicated keys of the first four reports", prefix,
            "select count(*) from (select 1 from {P}DYZD where BBZD_BH in ('{A}','{B}','{C}','{D}') "
            "group by BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE having count(*) > 1)", 7);
        // Cells whose row or column code has no dictionary entry
        add("cells without row entry", prefix,
            "select count(*) from {P}DYZD c where not exists (select 1 from {P}HZD h where h.BBZD_BH = c.BBZD_BH "
            "and h.BBZD_DATE = c.BBZD_DATE and h.HZD_ORDE = c.HZD_ORDE)", 3);
        add("cells without column entry", prefix,
            "select count(*) from {P}DYZD c where not exists (select 1 from {P}LZD l where l.BBZD_BH = c.BBZD_BH "
            "and l.BBZD_DATE = c.BBZD_DATE and l.LZD_ORDE = c.LZD_ORDE)", 2);
        // Zero values with a number in the text
        add("zero values with a number", prefix,
            "select count(*) from {P}DYZD where DYZD_DATA = 0 and cast(DYZD_SJ as real) <> 0", 2);
        add("zero value with the number 12.5", prefix,
            "select count(*) from {P}DYZD where " + cell.arg("{B}", "200403", "0003", "04") + " and DYZD_DATA = 0 and DYZD_SJ = '12.5'", 1);
        add("zero values with empty or zero text", prefix,
            "select count(*) from {P}DYZD where BBZD_BH = '{B}' and BBZD_DATE = '200403' and LZD_ORDE = '04' "
            "and DYZD_DATA = 0 and DYZD_SJ in ('', '0')", 2);
        add("historical zero value", prefix,
            "select count(*) from {P}DYZD2003 where DYZD_DATA = 0 and cast(DYZD_SJ as real) = 45", 1);
        // Rows of earlier years and bare-year dates
        for (const auto& [base, reports] : {std::pair{"BBZD", 3}, {"BBGS", 1}, {"HZD", 5}, {"LZD", 3},
                 {"DYZD", 2}, {"JYGS", 1}, {"BBEX", 1}})
            add(QStringLiteral("earlier-year reports in %1").arg(base), prefix,
                QStringLiteral("select count(*) from (select distinct BBZD_BH, BBZD_DATE from {P}%1 "
                               "where substr(BBZD_DATE, 1, 4) <> '2004')").arg(base), reports);
        add("earlier-year report absent from its historical table", prefix,
            "select count(*) from {P}HZD2003 where BBZD_BH = '{A}' and BBZD_DATE = '200312'", 0);
        add("earlier-year report present in its historical table", prefix,
            "select count(*) from {P}HZD2003 where BBZD_BH = '{B}' and BBZD_DATE = '200311'", 20);
        add("earlier-year report of 2000", prefix,
            "select count(*) from {P}HZD where BBZD_BH = '{C}' and BBZD_DATE = '200012'", 20);
        add("row without a year", prefix, "select count(*) from {P}HZD where BBZD_BH = '{D}' and BBZD_DATE = ''", 1);
        add("bare earlier year", prefix, "select count(*) from {P}LZD where BBZD_BH = '{D}' and BBZD_DATE = '2003'", 8);
        add("leap-day saves", prefix, "select count(distinct BBZD_BH) from {P}BBZD where BBZD_DATE = '2004'", 2);
        add("leap day with both saves", prefix,
            "select count(*) from {P}BBZD where BBZD_BH = '{A}' and BBZD_DATE in ('2004', '200402')", 2);
        add("leap day without February date", prefix,
            "select count(*) from {P}HZD where BBZD_BH = '{B}' and BBZD_DATE = '200402'", 0);
        add("no later year", prefix, "select count(*) from {P}BBZD where substr(BBZD_DATE, 1, 4) > '2004'", 0);
        add("historical duplicate", prefix,
            "select count(*) from {P}HZD2003 where BBZD_BH = '{B}' and BBZD_DATE = '200305' and HZD_ORDE = '0002'", 2);
        // Formulas
        add("existing check formulas", prefix, "select count(*) from {P}JYGS where BBZD_BH = '{A}' and BBZD_DATE = '200401'", 7);
        add("check formulas equal to cell formulas", prefix,
            "select count(*) from {P}JYGS j join {P}DYZD c on c.BBZD_BH = j.BBZD_BH and c.BBZD_DATE = j.BBZD_DATE "
            "and c.HZD_ORDE = j.HZD_ORDE and c.LZD_ORDE = j.LZD_ORDE and c.DYZD_GSX || c.DYZD_GSX1 = j.JYGS_EXP || j.JYGS_EXP1 "
            "where j.BBZD_BH = '{A}' and j.BBZD_DATE = '200401'", 3);
        add("calculation formulas of a report", prefix,
            "select count(*) from {P}DYZD where BBZD_BH = '{C}' and BBZD_DATE = '200401' and DYZD_GSX <> '' "
            "and DYZD_GSX not like 'MACRO_(%'", 26);
        add("macro formulas of a report", prefix,
            "select count(*) from {P}DYZD where BBZD_BH = '{C}' and BBZD_DATE = '200401' and DYZD_GSX like 'MACRO_(%'", 1);
        add("formula in two parts", prefix,
            "select count(*) from {P}DYZD where BBZD_BH = '{C}' and BBZD_DATE = '200401' and DYZD_GSX1 <> ''", 1);
        add("formula with quotes", prefix,
            "select count(*) from {P}DYZD where BBZD_BH = '{D}' and BBZD_DATE = '200401' and DYZD_GSX like '%''%'", 1);
        add("formulas with a NULL second part", prefix,
            "select count(*) from {P}DYZD where BBZD_BH = '{D}' and BBZD_DATE = '200401' and DYZD_GSX <> '' "
            "and DYZD_GSX1 is null", 2);
        add("check formula with a NULL second part", prefix,
            "select count(*) from {P}JYGS j join {P}DYZD c on c.BBZD_BH = j.BBZD_BH and c.BBZD_DATE = j.BBZD_DATE "
            "and c.HZD_ORDE = j.HZD_ORDE and c.LZD_ORDE = j.LZD_ORDE and c.DYZD_GSX = j.JYGS_EXP "
            "where j.BBZD_BH = '{D}' and j.JYGS_ORDE = 1 and j.JYGS_EXP1 is null and c.DYZD_GSX1 is null", 1);
        add("format of every byte value", prefix,
            "select count(*) from {P}BBGS where BBZD_BH = '{D}' and BBZD_DATE = '200401' and BBZD_XH = 2 "
            "and length(BBZD_GS) = 1024 and substr(hex(BBZD_GS), 1, 8) = '00010203' and substr(hex(BBZD_GS), 509, 4) = 'FEFF'", 1);
        add("extended formula layout of 2002", prefix,
            "select count(*) from pragma_table_info('{P}JYGS2002') where name in ('JYGS_EXP2', 'JYGS_EXP3')",
            prefix == QLatin1String("HZ") ? 2 : 0);
        add("plain formula layout", prefix,
            "select count(*) from pragma_table_info('{P}JYGS') where name in ('JYGS_EXP2', 'JYGS_EXP3')", 0);
        // Formats and extension rows
        add("formats without blob", prefix, "select count(*) from {P}BBGS where BBZD_GS is null", 0);
        add("empty format", prefix,
            "select count(*) from {P}BBGS where BBZD_BH = '{C}' and BBZD_DATE = '200401' and BBZD_XH = 2 and length(BBZD_GS) = 0", 1);
        add("reports and dates without format", prefix,
            "select count(*) from {P}BBZD z where not exists (select 1 from {P}BBGS g where g.BBZD_BH = z.BBZD_BH "
            "and g.BBZD_DATE = z.BBZD_DATE)", 2);
        add("orphaned extension rows", prefix,
            "select count(*) from {P}BBEX x where not exists (select 1 from {P}BBZD z where z.BBZD_BH = x.BBZD_BH "
            "and z.BBZD_DATE = x.BBZD_DATE)", 2);
        add("identical extension rows", prefix,
            "select count(*) from (select 1 from {P}BBEX group by BBZD_BH, BBZD_DATE, BBEX_EXC1, BBEX_EXC2, BBEX_EXC3, "
            "BBEX_EXC4, BBEX_EXC5, BBEX_EXC6, BBEX_EXC7, BBEX_EXC8, BBEX_EXC9, BBEX_EXC10, BBEX_EXI1, BBEX_EXI2, "
            "BBEX_EXI3, BBEX_EXI4, BBEX_EXN1, BBEX_EXN2, BBEX_EXN3, BBEX_EXN4 having count(*) > 1)", 1);
        add("extension rows differing in one column", prefix,
            "select count(distinct BBEX_EXC3) from {P}BBEX where BBZD_BH = '{C}' and BBZD_DATE = '200401'", 2);
    }
    auto unitCell = [&](const char* unitColumn, const char* unit, const char* report, const char* date,
                        const char* row, const char* col) {
        return QStringLiteral("%1 = '%2' and ").arg(QLatin1String(unitColumn), QLatin1String(unit))
            + cell.arg(QLatin1String(report), QLatin1String(date), QLatin1String(row), QLatin1String(col));
    };
    for (const auto& [table, unit, first, second] :
         {std::tuple{"HZDWSJ", "DWZD_BH", "0001", "0002"}, std::tuple{"HZHZSJ", "LBZD_BH", "01", "02"}}) {
        const QString t = QString::fromLatin1(table);
        add(t + " complete copies", "HZ", QStringLiteral("select count(*) from (select distinct * from %1 where %2) "
            "join (select count(*) n from %1 where %2) where n = 2").arg(t, unitCell(unit, first, "{A}", "200405", "0003", "03")), 1);
        add(t + " values differ", "HZ", QStringLiteral("select count(distinct DYZD_DATA) from %1 where %2")
            .arg(t, unitCell(unit, second, "{A}", "200406", "0005", "05")), 2);
        add(t + " value missing beside zero", "HZ", QStringLiteral("select count(*) from %1 where %2 and DYZD_DATA is null")
            .arg(t, unitCell(unit, first, "{A}", "200407", "0006", "06")), 1);
        add(t + " duplicated keys of the first four reports", "HZ",
            QStringLiteral("select count(*) from (select 1 from %1 where BBZD_BH in ('{A}','{B}','{C}','{D}') "
                           "group by %2, BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE having count(*) > 1)").arg(t, unit), 4);
        add(t + " cells without row entry", "HZ",
            QStringLiteral("select count(*) from %1 c where not exists (select 1 from HZHZD h where h.BBZD_BH = c.BBZD_BH "
                           "and h.BBZD_DATE = c.BBZD_DATE and h.HZD_ORDE = c.HZD_ORDE)").arg(t), 2);
        add(t + " zero values with a number", "HZ",
            QStringLiteral("select count(*) from %1 where DYZD_DATA = 0 and cast(DYZD_SJ as real) <> 0").arg(t), 1);
        add(t + " earlier-year reports", "HZ",
            QStringLiteral("select count(*) from (select distinct BBZD_BH, BBZD_DATE from %1 where substr(BBZD_DATE, 1, 4) <> '2004')").arg(t),
            t == QLatin1String("HZDWSJ") ? 2 : 1);
    }
    // 2000: tables of report management only
    add("2000 tables of report management", "KR",
        "select count(*) from sqlite_master where type = 'table' and name like 'KR%2000'", 7);
    add("no 2000 tables of report summary", "HZ",
        "select count(*) from sqlite_master where type = 'table' and name like 'HZ%2000'", 0);
    add("2000 reports", "KR", "select count(distinct BBZD_BH || BBZD_DATE) from KRBBZD2000", 24);
    add("2000 zero value", "KR",
        "select count(*) from KRDYZD2000 where DYZD_DATA = 0 and cast(DYZD_SJ as real) = 66", 1);
    add("unit report rows of an earlier year", "HZ",
        "select count(*) from (select distinct BBZD_BH, BBZD_DATE from HZDWBB where substr(BBZD_DATE, 1, 4) <> '2004')", 1);
    // Work tables as the catalogue view shows them
    add("work tables matching TMP_CA_", "KR", "select count(*) from sysobjects where type = 'U' and name like 'TMP_CA_%'", 3);
    add("work tables of every prefix", "KR",
        "select count(*) from sysobjects where type = 'U' and (name like 'TMP_CA_%' or name like 'TMP_DG_%' or "
        "name like 'TMP_FX_%' or name like 'HZTMP_%' or name like 'ZWKMJEBB_%' or name like 'ZWKMSLBB_%' or "
        "name like 'ZWKMWBBB_%' or name like 'ZWFZJEBB_%' or name like 'ZWFZSLBB_%' or name like 'ZWFZWBBB_%')", 8);
    add("tables that must stay", "KR", "select count(*) from sysobjects where name in ('TMP_CB_01', 'USR_TMP_CA_01')", 2);
    add("catalogue lists no database tables as user tables", "KR",
        "select count(*) from sysobjects where type = 'U' and name like 'sqlite%'", 0);
    // System tables
    add("table listed twice", "KR", "select count(*) from JWTABN where F_TABN = 'KRDYZD'", 2);
    add("listed table that does not exist", "KR",
        "select count(*) from JWTABN where F_TABN not in (select name from sqlite_master where type = 'table')", 1);
    add("accounting years", "KR", "select count(*) from JWCONF where F_VKEY in ('BB_KJND', 'HZ_KJND') and F_VAL = '2004'", 2);
    add("registry entries", "KR", "select count(*) from kvdbztxx where kvdbztxx_ztbh in ('001', '002') and kvdbztxx_owner = 'dba'", 2);
}

void TestDemoBuilder::plantedProblems()
{
    QFETCH(QString, sql);
    QFETCH(int, expected);
    bool ok = false;
    const int n = m_demo->value(sql).toInt(&ok);
    QVERIFY2(ok, qPrintable(sql));
    QCOMPARE(n, expected);
}

void TestDemoBuilder::reportTableLayouts_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    const QStringList row{"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "HZD_ZB", "BZBM_BM"};
    const QStringList column{"BBZD_BH", "BBZD_DATE", "LZD_ORDE", "LZD_ZB", "BZBM_BM", "LZD_MC", "LZD_SZ",
        "LZD_HZ", "LZD_TZ", "LZD_XM"};
    const QStringList cell{"BBZD_BH", "BBZD_DATE", "DYZD_ORDE", "HZD_ORDE", "LZD_ORDE", "H_BZBM", "L_BZBM",
        "DYZD_LX", "DYZD_DEC", "DYZD_SJ", "DYZD_DATA", "DYZD_SFTZ", "DYZD_SFBH", "DYZD_HOFFSET",
        "DYZD_LOFFSET", "DYZD_GSX", "DYZD_GSX1", "DYZD_GSBZ", "DYZD_GSJB"};
    const QStringList data{"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE", "H_BZBM", "L_BZBM", "DYZD_SJ", "DYZD_DATA"};
    QStringList extension{"BBZD_BH", "BBZD_DATE"};
    for (int i = 1; i <= 10; ++i)
        extension << QStringLiteral("BBEX_EXC%1").arg(i);
    for (int i = 1; i <= 4; ++i)
        extension << QStringLiteral("BBEX_EXI%1").arg(i);
    for (int i = 1; i <= 4; ++i)
        extension << QStringLiteral("BBEX_EXN%1").arg(i);
    const QStringList check{"BBZD_BH", "BBZD_DATE", "JYGS_ORDE", "HZD_ORDE", "LZD_ORDE"};
    const QStringList format{"BBZD_BH", "BBZD_DATE", "BBZD_XH", "BBZD_GS"};
    const QStringList dictionary{"BBZD_BH", "BBZD_DATE", "BBZD_MC", "BBZD_TITLE", "BBZD_HEAD", "BBZD_BT",
        "BBZD_HS", "BBZD_LS"};
    for (const QString& suffix : {QString(), QStringLiteral("2003")})
        for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
            auto add = [&](const char* base, const QStringList& columns) {
                const QString t = prefix + QLatin1String(base) + suffix;
                QTest::newRow(qPrintable(t)) << t << columns;
            };
            add("HZD", row);
            add("LZD", column);
            add("DYZD", cell);
            add("BBEX", extension);
            add("BBGS", format);
            if (prefix == QLatin1String("HZ")) {
                add("DWSJ", QStringList{"DWZD_BH"} + data);
                add("HZSJ", QStringList{"LBZD_BH"} + data);
            }
            // Only the leading columns are fixed for these.
            const QString j = prefix + "JYGS" + suffix, b = prefix + "BBZD" + suffix;
            QTest::newRow(qPrintable(j + " leading")) << j << check;
            QTest::newRow(qPrintable(b + " leading")) << b << dictionary;
        }
}

void TestDemoBuilder::reportTableLayouts()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    const QStringList actual = tableColumns(*m_demo, table);
    if (QTest::currentDataTag() && QByteArray(QTest::currentDataTag()).endsWith("leading"))
        QCOMPARE(actual.mid(0, columns.size()), columns);
    else
        QCOMPARE(actual, columns);
    // The types the report database declares: the key texts varchar(8), the value numeric.
    const auto types = m_demo->rows(QStringLiteral("select name, type from pragma_table_info('%1')").arg(table));
    for (const QStringList& t : types) {
        if (t[0] == QLatin1String("BBZD_BH") || t[0] == QLatin1String("BBZD_DATE"))
            QCOMPARE(t[1], QStringLiteral("varchar(8)"));
        if (t[0] == QLatin1String("DYZD_DATA"))
            QCOMPARE(t[1], QStringLiteral("numeric"));
    }
}

void TestDemoBuilder::settingsFilesAreGbk_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("jwcw.ini") << "jwcw.ini"
                              << QStringList{"[sqlca1]", "DBMS=ODBC", "DataBase=" + m_demo->dsn(), "Ztbh=001",
                                     "ztname=演示", "[sqlca2]", "Ztbh=002", "ztname=分公司", "[BBLAST]",
                                     "ztbh=1", "user=9999"};
    QTest::newRow("Kolvarin.ini") << "Kolvarin.ini"
                                  << QStringList{"[BB1]", "[BB7]", "[HZ1]", "[HZ12]", "[DefBB1]", "[DefHZ4]",
                                         "[OCX1]", "[OCX3]", "OCXName=TTF16.ocx", "TableName=HZDWSJ",
                                         "IndexName=IDX_KRDYZD_KEY",
                                         "Columns=(BBZD_BH,BBZD_DATE,HZD_ORDE,LZD_ORDE)"};
}

void TestDemoBuilder::settingsFilesAreGbk()
{
    QFETCH(QString, file);
    QFETCH(QStringList, lines);
    QFile f(m_demo->filePath(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(!bytes.isEmpty());
    QVERIFY2(!bytes.contains('\n') || bytes.count('\n') == bytes.count("\r\n"), "every line ends with CR LF");
    const QString text = gbk(bytes);
    QVERIFY(!text.isEmpty());
    const QStringList actual = text.split(QStringLiteral("\r\n"));
    for (const QString& line : lines)
        QVERIFY2(actual.contains(line), qPrintable(line));
    if (file == QLatin1String("jwcw.ini")) {
        // 演示 in GBK, not in UTF-8.
        QVERIFY(bytes.contains(QByteArray("\xD1\xDD\xCA\xBE")));
        QVERIFY(!bytes.contains(QString("演示").toUtf8()));
    }
}

void TestDemoBuilder::maintenanceSettingsNameRealIndexes()
{
    // Every index entry drops and re-creates an index of the demo, as the index rebuild does.
    TestAccountSet as({.demoContent = true, .demo = {.scale = 1, .dupRate = 0, .plantProblems = false},
        .connect = false});
    int entries = 0;
    for (const demo::IniSection& s : demo::demoKolvarinSections()) {
        if (!s.name.startsWith(QLatin1String("BB")) && !s.name.startsWith(QLatin1String("HZ")))
            continue;
        QMap<QString, QString> e;
        for (const auto& [k, v] : s.entries)
            e[k] = v;
        QVERIFY2(as.indexNames(e["TableName"]).contains(e["IndexName"]), qPrintable(s.name));
        as.exec("drop index " + e["IndexName"]);
        as.exec("create " + e["IndexType"] + " index " + e["IndexName"] + " on " + e["TableName"] + e["Columns"]);
        // The historical year's index carries the year after the name.
        QVERIFY2(as.indexNames(e["TableName"] + "2003").contains(e["IndexName"] + "2003"), qPrintable(s.name));
        ++entries;
    }
    QCOMPARE(entries, 7 + 12);
}

void TestDemoBuilder::autoStartFile_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("name");
    QTest::newRow("1 March") << QDate(2004, 3, 1) << "0301log";
    QTest::newRow("8 December") << QDate(2004, 12, 8) << "1208log";
    QTest::newRow("29 February") << QDate(2004, 2, 29) << "0229log";
}

void TestDemoBuilder::autoStartFile()
{
    QFETCH(QDate, day);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = demo::writeAutoStartFile(dir.path(), day, QStringLiteral("演示数据源"), QStringLiteral("002"));
    QCOMPARE(QFileInfo(path).fileName(), name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(gbk(f.readAll()).split(QStringLiteral("\r\n")),
             (QStringList{"[sqlca]", "DBMS=ODBC", "DataBase=演示数据源", "ServerName=", "Ztbh=002", ""}));
}

void TestDemoBuilder::odbcPathSeesStatedRows()
{
    TestAccountSet as;
    QVERIFY(as.mast().connected());
    QCOMPARE(as.mast().dbmsName(), QStringLiteral("SQLite"));
    Query q(as.dm().mast);
    // The registry as the connection reads it, owner qualifier included.
    q.setSql(QStringLiteral("SELECT kvdbztxx_owner,kvdbztxx_pass from dba.kvdbztxx WHERE kvdbztxx_ztbh = '001'"));
    q.open();
    QCOMPARE(q.text(0), QStringLiteral("dba"));
    QCOMPARE(q.text(1), QStringLiteral("sql"));
    q.close();

    // A row stated directly is read through ODBC, also while another cursor is open.
    Query open(as.dm().mast);
    open.setSql(QStringLiteral("select F_VKEY from JWCONF"));
    open.open();
    as.insert("KRHZD", {demo::rowRow({.bh = "101", .date = "200401", .orde = "0001", .zb = 3})});
    q.setSql(QStringLiteral("select HZD_ZB, BZBM_BM from KRHZD where BBZD_BH = '101'"));
    q.open();
    QCOMPARE(q.text(0), QStringLiteral("3"));
    QCOMPARE(q.text(1), QString());
    q.close();
    open.close();

    // And a change through ODBC is seen by the direct connection.
    q.setSql(QStringLiteral("update KRHZD set HZD_ZB = 7 where BBZD_BH = '101'"));
    q.exec();
    QCOMPARE(as.value("select HZD_ZB from KRHZD"), QStringLiteral("7"));

    // The data source name as the connection upper-cases it from jwcw.ini.
    as.mast().disconnect();
    as.mast().clearParams();
    as.mast().setDriverName(QStringLiteral("SQLite3"));
    as.mast().addParam(QStringLiteral("ODBC DSN=") + as.dsn().toUpper());
    as.mast().addParam(QStringLiteral("USER NAME=CW0019999"));
    as.mast().addParam(QStringLiteral("PASSWORD=x"));
    as.mast().connect();
    q.setSql(QStringLiteral("select count(*) from KRHZD"));
    q.open();
    QCOMPARE(q.integer(0), qint64(1));
}

void TestDemoBuilder::cleanOptionsPlantNothing()
{
    TestAccountSet as({.demoContent = true, .demo = {.scale = 1, .dupRate = 0, .plantProblems = false},
        .connect = false});
    for (const auto& [table, keys] : {std::pair{"KRHZD", "BBZD_BH, BBZD_DATE, HZD_ORDE"},
             {"KRLZD", "BBZD_BH, BBZD_DATE, LZD_ORDE"}, {"KRDYZD", "BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"},
             {"HZHZD", "BBZD_BH, BBZD_DATE, HZD_ORDE"}, {"HZLZD", "BBZD_BH, BBZD_DATE, LZD_ORDE"},
             {"HZDYZD", "BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"},
             {"HZDWSJ", "DWZD_BH, BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"},
             {"HZHZSJ", "LBZD_BH, BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"}})
        QVERIFY2(duplicatedKeys(as, table, keys) == 0, table);
    QCOMPARE(as.count("KRDYZD", "DYZD_DATA = 0 and cast(DYZD_SJ as real) <> 0"), 0);
    QCOMPARE(as.count("HZBBZD", "substr(BBZD_DATE, 1, 4) <> '2004' or BBZD_DATE = '2004'"), 0);
    QCOMPARE(as.count("KRBBEX x", "not exists (select 1 from KRBBZD z where z.BBZD_BH = x.BBZD_BH and z.BBZD_DATE = x.BBZD_DATE)"), 0);
    QVERIFY(as.tables("TMP%").isEmpty());
    // Still a complete account set: 12 months of every report, rows, columns and cells.
    QCOMPARE(as.count("KRBBZD"), 5 * 12);
    QCOMPARE(as.count("KRDYZD"), 5 * 12 * 20 * 8);
    QCOMPARE(as.count("HZDWSJ"), 5 * 12 * 3 * 20 * 7);
    QCOMPARE(as.count("HZHZSJ"), 5 * 12 * 2 * 20 * 7);
    QCOMPARE(as.count("KRDYZD2003"), 3 * 12 * 20 * 8 - 20 * 8);
}

void TestDemoBuilder::scaleAndDuplicateRate_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("summaryScale");
    QTest::addColumn<double>("rate");
    QTest::addColumn<bool>("indexes");
    QTest::newRow("scale 1, 1%, indexes") << 1 << 0 << 0.01 << true;
    QTest::newRow("scale 2, 0.1%, no indexes") << 2 << 0 << 0.001 << false;
    QTest::newRow("scale 3, summary 1, 2%, indexes") << 3 << 1 << 0.02 << true;
}

void TestDemoBuilder::scaleAndDuplicateRate()
{
    QFETCH(int, scale);
    QFETCH(int, summaryScale);
    QFETCH(double, rate);
    QFETCH(bool, indexes);
    TestAccountSet as({.demoContent = true,
        .demo = {.scale = scale, .summaryScale = summaryScale, .dupRate = rate, .keyIndexes = indexes,
            .plantProblems = false}, .connect = false});
    const int summaryReports = 5 * (summaryScale > 0 ? summaryScale : scale);
    QCOMPARE(as.value("select count(distinct BBZD_BH) from KRBBZD").toInt(), 5 * scale);
    QCOMPARE(as.value("select count(distinct BBZD_BH) from HZBBZD").toInt(), summaryReports);
    QCOMPARE(as.count("KRDYZD"), 5 * scale * 12 * 160 + duplicatedKeys(as, "KRDYZD", "BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"));
    QCOMPARE(as.count("HZDWSJ"), summaryReports * 12 * 3 * 140 + duplicatedKeys(as, "HZDWSJ", "DWZD_BH, BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"));
    QCOMPARE(demo::scaleForCellRows(9600 * qint64(scale)), scale);

    // The duplicated keys of each class are the given fraction of its rows, all of them
    // after the fourth report, each with exactly one more row.
    for (const auto& [table, keys] : {std::pair{"KRHZD", "BBZD_BH, BBZD_DATE, HZD_ORDE"},
             {"KRDYZD", "BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"},
             {"HZDWSJ", "DWZD_BH, BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE"}}) {
        const int rows = as.count(table);
        const int dup = duplicatedKeys(as, table, keys);
        const int extra = rows - as.value(QStringLiteral("select count(*) from (select distinct %1 from %2)").arg(keys, table)).toInt();
        QCOMPARE(extra, dup);
        QVERIFY2(qAbs(dup - rate * (rows - dup)) <= 1.0, qPrintable(QStringLiteral("%1: %2 of %3").arg(table).arg(dup).arg(rows)));
        QCOMPARE(duplicatedKeys(as, table, keys, QStringLiteral("BBZD_BH in ('101','102','103','104','201','202','203','204')")), 0);
    }
    // Complete duplicates and key duplicates in turn: both kinds are there.
    const int complete = as.value("select count(*) from (select 1 from KRDYZD group by " +
        demo::columnNames(demo::reportColumns("KR", "DYZD")).join(',') + " having count(*) > 1)").toInt();
    const int dup = duplicatedKeys(as, "KRDYZD", "BBZD_BH, BBZD_DATE, HZD_ORDE, LZD_ORDE");
    QVERIFY(complete > 0);
    QVERIFY(complete < dup);

    QCOMPARE(!as.indexNames("KRDYZD").isEmpty(), indexes);
    QCOMPARE(as.indexNames("HZHZSJ2003").contains(demo::keyIndexName("HZ", "HZSJ", "2003")), indexes);
}

void TestDemoBuilder::sameSeedSameContent()
{
    auto digest = [](const TestAccountSet& as) {
        QStringList parts;
        for (const QString t : {"KRDYZD", "HZDWSJ", "HZHZSJ", "KRLZD", "HZBBGS"}) {
            const QStringList columns = demo::columnNames(demo::reportColumns(t.left(2), t.mid(2)));
            const QString row = "quote(" + columns.join(") || ',' || quote(") + ")";
            parts << as.value(QStringLiteral("select group_concat(r, '|') from (select %1 r from %2 order by rowid)").arg(row, t));
        }
        return parts;
    };
    TestAccountSet first({.demoContent = true, .demo = {.dupRate = 0.01}, .connect = false});
    TestAccountSet second({.demoContent = true, .demo = {.dupRate = 0.01}, .connect = false});
    TestAccountSet other({.demoContent = true, .demo = {.dupRate = 0.01, .seed = 7}, .connect = false});
    const QStringList a = digest(first);
    QVERIFY(!a.first().isEmpty());
    QCOMPARE(digest(second), a);
    QVERIFY(digest(other) != a);
}

void TestDemoBuilder::fixtureStatesItsOwnRows()
{
    TestAccountSet as({.historyYears = {2002}, .connect = false});
    QVERIFY(as.tableExists("KRHZD"));
    QVERIFY(as.tableExists("HZHZSJ2002"));
    QVERIFY(!as.tableExists("KRHZD2003"));
    QCOMPARE(as.count("KRHZD"), 0);
    as.insert("KRDYZD", {demo::cellRow({.bh = "101", .date = "200401", .row = "0001", .col = "03",
        .text = "12.5", .data = 0})});
    as.insert("HZDWSJ", {demo::unitCellRow({.unit = "0001", .bh = "201", .date = "200401", .row = "0001",
        .col = "03", .text = QVariant(), .data = QVariant()})});
    as.insert("KRBBGS", {demo::formatRow({.bh = "101", .date = "200401", .gs = QByteArray("\x00\xff\x01", 3)})});
    as.insert("KRLZD", {"BBZD_BH", "LZD_MC"}, {{"101", QVariant()}, {"101", ""}});
    QCOMPARE(as.rows("select DYZD_ORDE, DYZD_SJ, DYZD_DATA, DYZD_GSBZ from KRDYZD"),
             (QList<QStringList>{{"000103", "12.5", "0", "0"}}));
    QCOMPARE(as.rows("select DYZD_SJ, DYZD_DATA from HZDWSJ"), (QList<QStringList>{{"<null>", "<null>"}}));
    QCOMPARE(as.value("select hex(BBZD_GS) from KRBBGS"), QStringLiteral("00FF01"));
    QCOMPARE(as.count("KRLZD", "LZD_MC is null"), 1);
    QCOMPARE(as.count("KRLZD", "LZD_MC = ''"), 1);
    // A row of the wrong width names the table.
    QVERIFY_THROWS_EXCEPTION(demo::BuildError, as.insert("KRHZD", {{"101", "200401"}}));
    QCOMPARE(as.count("KRHZD"), 0);
}

QTEST_GUILESS_MAIN(TestDemoBuilder)
#include "test_demo_builder.moc"
