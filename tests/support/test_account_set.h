#pragma once
// A fresh SQLite account set per test: a temporary folder with the database file, its own
// odbc.ini (a DSN of its own), jwcw.ini, and the data module connected through the real
// ODBC path as the report system's kind 0 does it. Rows are stated and read back through a
// direct SQLite connection:
//
//   TestAccountSet as;
//   as.insert("KRHZD", {demo::rowRow({.bh = "101", .date = "200401", .orde = "0001"}),
//                       demo::rowRow({.bh = "101", .date = "200401", .orde = "0001"})});
//   ... run the job on as.dm() ...
//   QCOMPARE(as.count("KRHZD", "HZD_ORDE = '0001'"), 1);
//
// ODBCINI and VOSTREL_HOME point to the folder while the object lives.

#include "demo_builder/demo_builder.h"
#include "data_module/end_year_data_mod.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

struct TestAccountSetOptions {
    // The full demo account set (demo options below) instead of empty tables.
    bool demoContent = false;
    demo::DemoOptions demo{.scale = 1};
    // Empty schema: system tables always; the current-year report tables of both systems
    // unless switched off; report tables of these historical years too.
    bool reportTables = true;
    QList<int> historyYears;
    bool keyIndexes = false;
    // Registry rows 001/002 (owner dba, password sql) and JWCONF BB_KJND/HZ_KJND 2004.
    bool systemRows = true;
    bool jwcwIni = true;     // the demo jwcw.ini on this account set's DSN
    bool connect = true;     // connect dm().mast at construction
};

// Steps both backends' account sets share.
namespace account_set {
// (Re)connects mast as kind 0 on a DSN through the program's own path: driver, ODBC DSN,
// USER NAME, PASSWORD, no login prompt.
void connectKindZero(TEndYearDataMod& dm, const QString& driver, const QString& dsn, const QString& user,
                     const QString& password);
// First column of the first row; empty when there is no row.
QString firstValue(const QList<QStringList>& rows);
QString countSql(const QString& table, const QString& where);
}

class TestAccountSet {
public:
    explicit TestAccountSet(const TestAccountSetOptions& options = {});
    ~TestAccountSet();
    TestAccountSet(const TestAccountSet&) = delete;
    TestAccountSet& operator=(const TestAccountSet&) = delete;

    // Text that rows() and value() give for NULL.
    static QString nullText() { return QStringLiteral("<null>"); }

    QString folder() const;
    QString dbFile() const { return m_dbFile; }
    QString dsn() const { return m_dsn; }
    QString filePath(const QString& name) const;

    TEndYearDataMod& dm() { return *m_dm; }
    Database& mast() { return m_dm->mast; }
    // (Re)connects dm().mast as kind 0: driver "SQLite3", ODBC DSN, USER NAME, PASSWORD.
    void connect(const QString& user = QStringLiteral("dba"), const QString& password = QStringLiteral("sql"));

    // Direct connection to the database file. Every helper below throws demo::BuildError
    // (and prints its text) when the statement fails.
    QSqlDatabase db() const;
    void exec(const QString& sql) const;
    void insert(const QString& table, const QList<QVariantList>& rows) const;
    void insert(const QString& table, const QStringList& columns, const QList<QVariantList>& rows) const;
    // Rows as texts, NULL as nullText(); numbers as the shortest text (4, 12.5).
    QList<QStringList> rows(const QString& sql) const;
    // First column of the first row; empty when there is no row.
    QString value(const QString& sql) const;
    int count(const QString& table, const QString& where = {}) const;
    bool tableExists(const QString& name) const;
    QStringList indexNames(const QString& table) const;
    // Names of tables and views matching an SQL LIKE pattern, sorted.
    QStringList tables(const QString& likePattern = QStringLiteral("%")) const;
    void createReportTables(const QString& prefix, const QString& yearSuffix, bool keyIndexes = false,
                            bool extendedFormulas = false) const;
    void createReportTable(const QString& prefix, const QString& base, const QString& yearSuffix,
                           bool keyIndexes = false, bool extendedFormulas = false) const;

    // Settings files in the folder, GBK with CR LF as the report system writes them.
    void writeGbk(const QString& fileName, const QString& text) const;
    void writeJwcw(const QList<demo::IniSection>& sections) const;
    void writeKolvarin(const QList<demo::IniSection>& sections) const;
    QString writeAutoStart(const QDate& day, const QString& ztbh = QStringLiteral("001"),
                           const QString& dbms = QStringLiteral("ODBC")) const;

private:
    template <typename F> auto guarded(F&& f) const -> decltype(f());
    void setEnv(const char* name, const QString& value);
    void restoreEnv();
    void build(const TestAccountSetOptions& options);

    QTemporaryDir m_dir;
    QString m_dsn;
    QString m_dbFile;
    std::unique_ptr<demo::SqliteFile> m_file;
    std::unique_ptr<TEndYearDataMod> m_dm;
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_savedEnv;
};
