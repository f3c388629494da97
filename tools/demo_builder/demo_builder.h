#pragma once
// The demo account set: an SQLite report database reached through the SQLite ODBC driver,
// with the settings files the report system keeps beside the program, and the fixture
// functions the tests build their own account sets with.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <stdexcept>

namespace demo {

// A statement or a file that could not be written; the text names it and the cause.
class BuildError : public std::runtime_error {
public:
    explicit BuildError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// ---------------------------------------------------------------------------------------
// Table layouts

struct Column {
    QString name;
    QString type;   // as declared: "varchar(8)", "int", "numeric", "float", "blob"
};

// Report-table base names of a system ("KR" or "HZ"): BBZD, BBGS, HZD, LZD, DYZD, JYGS,
// BBEX, and for "HZ" also DWSJ, HZSJ, DWBB, DWZD, LBZD.
QStringList reportBases(const QString& prefix);
// Columns of one report table in table order. With extendedFormulas the check formulas
// carry JYGS_EXP2/JYGS_EXP3 and the cell dictionary DYZD_GSX2/DYZD_GSX3 after its 19 columns.
QList<Column> reportColumns(const QString& prefix, const QString& base, bool extendedFormulas = false);
QStringList columnNames(const QList<Column>& columns);
// The non-unique key index a report database carries on a report table, named
// "IDX_" + prefix + base + "_KEY" + year suffix, and its column list.
QString keyIndexName(const QString& prefix, const QString& base, const QString& yearSuffix = {});
QStringList keyIndexColumns(const QString& prefix, const QString& base);

// ---------------------------------------------------------------------------------------
// Direct access to the database file (QSQLITE), for building and for test assertions

// A QSQLITE connection of its own name to a database file (created when missing),
// removed again with the object.
class SqliteFile {
public:
    explicit SqliteFile(const QString& file);
    ~SqliteFile();
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    QSqlDatabase db() const;
    QString connectionName() const { return m_name; }
    QString fileName() const { return m_file; }

private:
    QString m_name;
    QString m_file;
};

// Runs one statement; throws BuildError with the statement and the database message.
void execSql(QSqlDatabase db, const QString& sql);
// Rows of a query as texts; NULL gives nullText.
QList<QStringList> queryRows(QSqlDatabase db, const QString& sql, const QString& nullText = QStringLiteral("<null>"));

// kvdbztxx, JWCONF, JWREGS, JWTABN (empty) and the catalogue view sysobjects (name, type:
// 'U' user table, 'V' view, 'S' the database's own tables).
void createSystemTables(QSqlDatabase db);
struct TableOptions {
    bool keyIndexes = true;
    bool extendedFormulas = false;
};
// All report tables of one system and year suffix ("" current year, "2003"), empty.
void createReportTables(QSqlDatabase db, const QString& prefix, const QString& yearSuffix,
                        const TableOptions& options = {});
// One report table, e.g. createReportTable(db, "KR", "HZD", "2002").
void createReportTable(QSqlDatabase db, const QString& prefix, const QString& base,
                       const QString& yearSuffix, const TableOptions& options = {});
void createKeyIndexes(QSqlDatabase db, const QString& prefix, const QString& yearSuffix);
// A plain table of the given columns ("TMP_CA_01", {{"ID","int"}}).
void createTable(QSqlDatabase db, const QString& name, const QList<Column>& columns);

// Inserts rows given as value lists in table column order (a null QVariant is NULL);
// one prepared statement, one transaction unless the caller holds one.
void insertRows(QSqlDatabase db, const QString& table, const QList<QVariantList>& rows);
// The same with named columns; the others stay NULL.
void insertRows(QSqlDatabase db, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows);

// Row builders in table column order, with the values a report system writes by default.
// Use with designated initializers: demo::cellRow({.bh = "101", .date = "200401", ...}).
// Text fields left empty give '' (never NULL); NULL is stated with a null QVariant in the
// QVariant fields (text, data, mc, gs, the BBEX values).
struct ReportValues {   // BBZD
    QString bh, date, mc;
    int title = 1, head = 1, bt = 0, hs = 20, ls = 8;
    QString orde, sbbh, fcbz = QStringLiteral("0"), nb = QStringLiteral("0"),
        xf = QStringLiteral("0"), sbxz = QStringLiteral("0"), tzzdOrde, lx = QStringLiteral("0");
    int use = 1;
    QVariant gs;   // blob
};
QVariantList reportRow(const ReportValues& v);

struct RowValues {      // HZD
    QString bh, date, orde;
    int zb = 1;
    QString bzbm;
};
QVariantList rowRow(const RowValues& v);

struct ColumnValues {   // LZD
    QString bh, date, orde;
    int zb = 1;
    QString bzbm;
    QVariant mc = QStringLiteral("本月数");
    QString sz = QStringLiteral("1"), hz = QStringLiteral("1"), tz = QStringLiteral("0"),
        xm = QStringLiteral("0");
};
QVariantList columnRow(const ColumnValues& v);

struct CellValues {     // DYZD; orde empty -> row code + column code
    QString bh, date, row, col;
    QVariant text;      // DYZD_SJ
    QVariant data;      // DYZD_DATA
    QString gsx, gsx1, orde, hBzbm, lBzbm, lx = QStringLiteral("N");
    int dec = 2;
    QString sftz = QStringLiteral("0"), sfbh = QStringLiteral("0");
    int hoffset = 0, loffset = 0;
    QString gsbz;       // empty -> "1" with a formula, else "0"
    int gsjb = 0;
    QString gsx2, gsx3; // extended layout only
};
QVariantList cellRow(const CellValues& v, bool extendedFormulas = false);

struct UnitCellValues { // DWSJ (unit = DWZD_BH) and HZSJ (unit = LBZD_BH)
    QString unit, bh, date, row, col;
    QVariant text, data;
    QString hBzbm, lBzbm;
};
QVariantList unitCellRow(const UnitCellValues& v);

struct CheckValues {    // JYGS
    QString bh, date;
    int orde = 1;
    QString row, col;
    int hoffset = 0, loffset = 0;
    QString relation = QStringLiteral("=");
    QString exp, exp1, note, flag;
    QString exp2, exp3; // extended layout only
};
QVariantList checkRow(const CheckValues& v, bool extendedFormulas = false);

struct FormatValues {   // BBGS
    QString bh, date;
    int xh = 1;
    QByteArray gs;
};
QVariantList formatRow(const FormatValues& v);

struct ExtensionValues { // BBEX, 20 columns; NULL where not given
    QString bh, date;
    QVariant exc[10];    // BBEX_EXC1..10
    QVariant exi[4];     // BBEX_EXI1..4
    QVariant exn[4];     // BBEX_EXN1..4
};
QVariantList extensionRow(const ExtensionValues& v);

// ---------------------------------------------------------------------------------------
// Settings files

struct IniSection {
    QString name;
    QList<QPair<QString, QString>> entries;
};
// "[name]" and "key=value" lines, one blank line between sections.
QString iniText(const QList<IniSection>& sections);
// Writes text as the report system's machines do: GBK, CR LF line ends.
void writeGbkText(const QString& path, const QString& text);
void writeGbkIni(const QString& path, const QList<IniSection>& sections);

// odbc.ini with one data source per pair (DSN, absolute database file), for unixODBC.
void writeOdbcIni(const QString& path, const QList<QPair<QString, QString>>& dataSources);
void writeOdbcIni(const QString& path, const QString& dsn, const QString& dbFile);

// jwcw.ini of the demo: sqlca1 (Ztbh 001, 演示) and sqlca2 (Ztbh 002, 分公司), both kind ODBC
// on the DSN, and BBLAST (ztbh=1, user=9999).
QList<IniSection> demoJwcwSections(const QString& dsn);
void writeJwcwIni(const QString& folder, const QList<IniSection>& sections);

// The automatic-start file's name for a day: MMDD + "log" (8 December: 1208log).
QString autoStartFileName(const QDate& day);
// Section [sqlca] with DBMS, DataBase, ServerName and Ztbh; returns the file's path.
QString writeAutoStartFile(const QString& folder, const QDate& day, const QString& dsn,
                           const QString& ztbh = QStringLiteral("001"),
                           const QString& dbms = QStringLiteral("ODBC"),
                           const QString& serverName = {});

// Kolvarin.ini of the demo: index entries BB1.. and HZ1.. (the key indexes of the report
// tables), default entries DefBB1.. and DefHZ1.., control entries OCX1..OCX3.
QList<IniSection> demoKolvarinSections();
void writeKolvarinIni(const QString& folder, const QList<IniSection>& sections);

// ---------------------------------------------------------------------------------------
// The demo account set

struct DemoOptions {
    // Reports per system = 5 x scale; every report has 12 monthly dates (200401..200412)
    // of 20 rows x 8 columns, so one scale unit is 9600 cell rows per system.
    int scale = 1;
    // Scale of one system alone (management KR, summary HZ); 0: the same as scale.
    int summaryScale = 0;
    int managementScale = 0;
    // Fraction of the keys of every data class that get a second row (complete
    // duplicates and key duplicates, in turn), placed in the reports after the fourth.
    double dupRate = 0.001;
    bool keyIndexes = true;
    bool plantProblems = true;      // the fixed set of planted problems (see below)
    QString dsn = QStringLiteral("vostrel_demo");
    QString dbFileName;             // empty: dsn + ".db"
    bool autoStartFile = false;
    QDate today = QDate::currentDate();
    int units = 3;                  // units of the summary system (categories: 2)
    bool walJournal = false;        // write-ahead log, so that readers never block a writer
    quint32 seed = 20040229;
};

struct DemoResult {
    QString folder, dbFile, odbcIni, dsn, autoStartFile;
    QMap<QString, qint64> rows;     // table -> row count written
    qint64 totalRows = 0;
    qint64 cellRows = 0;            // KRDYZD + HZDYZD of the current year
    qint64 elapsedMs = 0;
};

// Report number of the i-th report (0-based) of a system: KR 101, 102, ...; HZ 201, ...
QString demoReportNumber(const QString& prefix, int index);
int demoReportCount(const DemoOptions& options, const QString& prefix = QStringLiteral("KR"));
// Scale that gives at least this many current-year cell rows per system.
int scaleForCellRows(qint64 cellRowsPerSystem);

// Writes the whole folder: the database file (replaced), odbc.ini, jwcw.ini, Kolvarin.ini
// and, when asked, today's automatic-start file. Throws BuildError.
DemoResult buildDemo(const QString& folder, const DemoOptions& options = {});
// Only the database content, into an empty database (used by buildDemo).
void fillDemoDatabase(QSqlDatabase db, const DemoOptions& options, QMap<QString, qint64>* rows = nullptr);

// Planted problems (plantProblems), in both systems P = KR/HZ, reports A, B, C, D = the
// first four report numbers (KR 101..104, HZ 201..204), current-year tables:
//  duplicates   complete:  HZD A/200405 row 0003 (3 copies), C/200405 row 0007 (2);
//                          LZD A/200405 col 03 (2); DYZD A/200405 (0003,03) (2),
//                          C/200410 (0010,05) (3); DWSJ unit 0001, HZSJ cat 01 A/200405 (0003,03)
//               key only:  HZD A/200406 row 0005 (HZD_ZB differs); LZD A/200406 col 05
//                          (title differs); DYZD A/200406 (0005,05) (value differs);
//                          DWSJ unit 0002, HZSJ cat 02 A/200406 (0005,05)
//               title:     LZD A/200407 col 04, title '' in one copy and NULL in the other
//               empty value: DYZD A/200407 (0006,06), DWSJ unit 0001, HZSJ cat 01 A/200407
//                          (0006,06): one copy DYZD_DATA NULL and DYZD_SJ '', one 0 and '0'
//               cell code: DYZD A/200407 (0004,04) in two copies differing only in DYZD_ORDE
//  illegal cells           DYZD A/200408 (0099,03) twice identical and (0002,99) twice with
//                          other values; DWSJ unit 0001 and HZSJ cat 01 A/200408 (0099,03)
//                          twice; single illegal cell DYZD A/200409 (0098,02)
//  zero values             DYZD_DATA 0 with a number in DYZD_SJ: DYZD B/200403 (0003,04)
//                          "12.5", (0004,04) "3000"; DWSJ unit 0001 B/200403 (0003,04) "88.8";
//                          HZSJ cat 01 B/200403 (0003,04) "177.6"; P DYZD2003 B/200303
//                          (0003,04) "45"; beside them (0005,04) 0 with '' and (0006,04) 0 with "0"
//  earlier years           A/200312 in every table of the system, absent from the 2003 tables;
//                          B/200311 in BBZD, HZD, LZD, DYZD (HZ: and DWSJ), also in the 2003
//                          tables; D/2003 (bare year) in BBZD, HZD, LZD, absent from 2003;
//                          C/200012 in HZD (2000 tables: KR only); D in HZD row 0001 dated ''
//  leap day                A under 200402 and under 2004 (BBZD, BBGS, HZD, LZD, DYZD; HZ: and
//                          DWSJ, HZSJ); B only under 2004 (all its tables of that month)
//  formulas                every report and date: col 08 rows 1-19 "H<r>L04-H<r>L03", row 20
//                          sums, row 20 col 02 split over DYZD_GSX and DYZD_GSX1, row 01 col 07
//                          "MACRO1(YSBB,L07)"; JYGS A/200401 and B/200401 ordinals 1-7, of
//                          which 1-3 equal the cell formulas of rows 1-3 col 08
//                          D/200401: (0002,07) a formula with quotes, (0003,07) and (0004,07)
//                          formulas whose DYZD_GSX1 is NULL, the latter also JYGS ordinal 1
//                          with JYGS_EXP1 NULL
//  extended formulas       HZ only: HZBBZD2002, HZDYZD2002, HZJYGS2002 with DYZD_GSX2/3 and
//                          JYGS_EXP2/3, A/200201 rows 1-4 col 08 in four parts (row 1 also
//                          JYGS ordinal 3), row 5 col 07 a macro
//  formats                 BBGS one blob per report and date (XH 1), C/200401 XH 2 empty,
//                          D/200401 XH 2 every byte value four times
//  extension rows          BBEX one per report and date; orphans 999/200401 and A/200400;
//                          B/200401 twice identical; C/200401 twice, differing in BBEX_EXC3
//  work tables             TMP_CA_01, TMP_CA_0519W01, TMPXCAY9, TMP_DG_2004, TMP_FX_KM1,
//                          HZTMP_0001, ZWKMJEBB_01, ZWFZSLBB_01; not matching: TMP_CB_01,
//                          USR_TMP_CA_01
//  2003 tables             A 200301-200311, B and C 200301-200312 (JYGS A and B 200301 1-7);
//                          HZD B/200305 row 0002 twice
//  2000 tables             report management only: A and B 200001-200012; zero value
//                          KRDYZD2000 B/200012 (0003,04) "66"
//  JWTABN                  modules BB, HZ, XT, ZW; KRDYZD listed twice; ZWPZK does not exist
struct PlantedTables {
    static constexpr const char* workTables[] = {"TMP_CA_01", "TMP_CA_0519W01", "TMPXCAY9",
        "TMP_DG_2004", "TMP_FX_KM1", "HZTMP_0001", "ZWKMJEBB_01", "ZWFZSLBB_01"};
    static constexpr const char* keptTables[] = {"TMP_CB_01", "USR_TMP_CA_01"};
};

} // namespace demo
