// Statement forms per server, as the driver names it, and the name rules for catalogue names.
#include "data_module/database.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "data_module/sql_text.h"
#include "data_module/working_tables.h"
#include "support/test_account_set.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
// A data module on the recording engine that names itself `dbms`.
struct Server {
    explicit Server(const QString& dbms)
    {
        auto b = std::make_unique<RecordingBackend>();
        b->dbms = dbms;
        rec = b.get();
        dm = std::make_unique<TEndYearDataMod>(std::move(b));
        dm->mast.connect();
        dm->state.DatabaseKind = DbKind::Db2Oracle;
    }
    RecordingBackend* rec = nullptr;
    std::unique_ptr<TEndYearDataMod> dm;
};

const QString kDb2 = QStringLiteral("DB2/LINUXX8664");
const QString kOracle = QStringLiteral("Oracle");
}

class TestDialect : public QObject {
    Q_OBJECT
private slots:
    void statementForms_data();
    void statementForms();
    void cleanupStatementsOnDb2();
    void sqliteProceduresTakeChineseNames();
    void plainTableNames_data();
    void plainTableNames();
    void catalogueNames_data();
    void catalogueNames();
};

void TestDialect::statementForms_data()
{
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("sent");

    const QString truncate = QStringLiteral("TRUNCATE table havHZD");
    QTest::newRow("db2 truncate") << kDb2 << truncate << "TRUNCATE table havHZD IMMEDIATE";
    QTest::newRow("db2 on windows truncate") << "DB2/NT" << truncate << "TRUNCATE table havHZD IMMEDIATE";
    QTest::newRow("db2 truncate already immediate") << kDb2 << "TRUNCATE table T IMMEDIATE"
                                                    << "TRUNCATE table T IMMEDIATE";
    QTest::newRow("oracle truncate") << kOracle << truncate << truncate;
    QTest::newRow("sql server truncate") << "Microsoft SQL Server" << truncate << truncate;
    QTest::newRow("sybase truncate") << "Adaptive Server Enterprise" << truncate << truncate;

    const QString later = QStringLiteral("select count(1) Cou from KRBBZD where substring(BBZD_DATE,1,4)>'2004'");
    const QString laterSubstr = QStringLiteral("select count(1) Cou from KRBBZD where substr(BBZD_DATE,1,4)>'2004'");
    QTest::newRow("oracle substring") << kOracle << later << laterSubstr;
    QTest::newRow("db2 substring") << kDb2 << later << laterSubstr;
    QTest::newRow("oracle SubString, literal kept")
        << kOracle << " from KRHZD where SubString(BBZD_DATE,1,4)<>'substring(2004'"
        << " from KRHZD where substr(BBZD_DATE,1,4)<>'substring(2004'";
    QTest::newRow("sql server substring") << "Microsoft SQL Server" << later << later;

    const QString modify = QStringLiteral(" alter table KRBBZD2002 modify       BBZD_MC  default '无 modify'");
    QTest::newRow("db2 default") << kDb2 << modify
                                 << " alter table KRBBZD2002 alter column       BBZD_MC  set default '无 modify'";
    QTest::newRow("oracle default") << kOracle << modify << modify;

    const QString catalogue =
        QStringLiteral("select table_name TmpName from user_tables where table_name like 'T\\_%' escape '\\'");
    QTest::newRow("db2 catalogue")
        << kDb2 << catalogue
        << "select table_name TmpName from (select tabname table_name from syscat.tables where tabschema = "
           "current schema and type = 'T') user_tables where table_name like 'T\\_%' escape '\\'";
    QTest::newRow("oracle catalogue") << kOracle << catalogue << catalogue;
    QTest::newRow("db2 catalogue name inside a literal")
        << kDb2 << "select 1 from KRBBZD where BBZD_MC = ' from user_tables'"
        << "select 1 from KRBBZD where BBZD_MC = ' from user_tables'";

    QTest::newRow("db2 create table")
        << kDb2 << "create table T (A varchar(8) null, B int not null, C varchar(1) default null, D float  NULL )"
        << "create table T (A varchar(8) , B int not null, C varchar(1) default null, D float   )";
    QTest::newRow("db2 create table, null in a default literal")
        << kDb2 << "create table T (A varchar(8) default 'null' null)"
        << "create table T (A varchar(8) default 'null' )";
    QTest::newRow("oracle create table") << kOracle << "create table T (A varchar(8) null)"
                                         << "create table T (A varchar(8) null)";
    QTest::newRow("db2 null outside create table") << kDb2 << "select * from T where A is null"
                                                   << "select * from T where A is null";

    QTest::newRow("db2 owner kept") << kDb2 << "SELECT kvdbztxx_owner from db2admin.kvdbztxx"
                                    << "SELECT kvdbztxx_owner from db2admin.kvdbztxx";
    QTest::newRow("oracle owner kept") << kOracle << "SELECT JWREGS_ID from system.JWREGS"
                                       << "SELECT JWREGS_ID from system.JWREGS";
    QTest::newRow("db2 drop index") << kDb2 << "drop index NDX_KRHZD_ORDE2002" << "drop index NDX_KRHZD_ORDE2002";
    QTest::newRow("sqlite truncate") << "SQLite" << truncate << "delete from havHZD";
}

void TestDialect::statementForms()
{
    QFETCH(QString, dbms);
    QFETCH(QString, statement);
    QFETCH(QString, sent);
    Server s(dbms);
    s.dm->mast.send(statement);
    QCOMPARE(s.rec->statements(), QStringList{sent});
}

void TestDialect::cleanupStatementsOnDb2()
{
    // The working tables, the counts and the distinct copies of the cleanup as DB2 gets them.
    Server s(kDb2);
    s.dm->CreateWorkingTables();
    s.dm->CountDuplicates("HZHZD", "havHZD", "BBZD_BH,BBZD_DATE,HZD_ORDE", "HZD_ZB");
    s.dm->CopyDistinctRows("oldDYZD", "optiDYZD");
    s.dm->CopyReportDictionary("HZBBZD", "dirtyBBZD");
    const QStringList sent = s.rec->statements();
    QCOMPARE(sent.filter(QRegularExpression("^create table ")).size(), 30);
    QCOMPARE(sent.filter(QRegularExpression("\\bnull\\b", QRegularExpression::CaseInsensitiveOption)).size(), 0);
    QVERIFY(sent.contains("create table optiDYZD (BBZD_BH varchar(8) , BBZD_DATE varchar(8) , DYZD_ORDE varchar(9) "
                          ", HZD_ORDE varchar(9) , LZD_ORDE varchar(9) , H_BZBM varchar(11) , L_BZBM varchar(11) , "
                          "DYZD_LX varchar(1) , DYZD_DEC int , DYZD_SJ varchar(255) , DYZD_DATA float , DYZD_SFTZ "
                          "varchar(1) , DYZD_SFBH varchar(1) , DYZD_HOFFSET int , DYZD_LOFFSET int , DYZD_GSX "
                          "varchar(255) , DYZD_GSX1 varchar(255) , DYZD_GSBZ varchar(1) , DYZD_GSJB int )"));
    QCOMPARE(sent.filter("TRUNCATE"), (QStringList{"TRUNCATE table havHZD IMMEDIATE",
                                          "TRUNCATE table optiDYZD IMMEDIATE", "TRUNCATE table dirtyBBZD IMMEDIATE"}));

    // Oracle takes the program's own forms.
    Server o(kOracle);
    o.dm->CreateWorkingTables();
    o.dm->TruncateTable("havHZD");
    QCOMPARE(o.rec->statements().first(), createWorkingTableStatement("opti", "HZD", DbKind::Db2Oracle));
    QCOMPARE(o.rec->statements().last(), "TRUNCATE table havHZD");
}

void TestDialect::sqliteProceduresTakeChineseNames()
{
    TestAccountSet as({.reportTables = false});
    as.exec("create table 报表一 (A int, B varchar(8))");
    as.exec("create index IX_报表 on 报表一(A)");
    as.mast().send("drop index 报表一.IX_报表");
    QVERIFY(as.indexNames("报表一").isEmpty());
    as.mast().send(" alter table 报表一 modify       B  default '无'");
    as.exec("insert into 报表一 (A) values (1)");
    QCOMPARE(as.value("select B from 报表一"), "无");
}

void TestDialect::plainTableNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("report table") << "KRBBZD2002" << true;
    QTest::newRow("work table signs") << "TMP_CA_$2#" << true;
    QTest::newRow("chinese") << "临时表1" << true;
    QTest::newRow("chinese and latin") << "HZTMP_报表汇总" << true;
    QTest::newRow("beyond the basic plane") << QString::fromUcs4(U"表\U00020000") << true;
    QTest::newRow("greek") << "Ωmega" << true;
    QTest::newRow("arabic-indic digits") << QString::fromUcs4(U"T\u0661\u0662") << true;
    QTest::newRow("full-width digits") << "T１２" << true;
    QTest::newRow("128 characters") << QString(128, 'T') << true;

    QTest::newRow("empty") << "" << false;
    QTest::newRow("129 characters") << QString(129, 'T') << false;
    QTest::newRow("blank") << "KRBBZD x" << false;
    QTest::newRow("trailing blank") << "KRBBZD " << false;
    QTest::newRow("ideographic space") << "临时　表" << false;
    QTest::newRow("tab") << "T\t" << false;
    QTest::newRow("quote") << "T'x" << false;
    QTest::newRow("double quote") << "T\"x" << false;
    QTest::newRow("full-width quote") << "T＇x" << false;
    QTest::newRow("modifier letter apostrophe") << QString::fromUcs4(U"T\u02BCx") << false;
    QTest::newRow("dot") << "dba.T" << false;
    QTest::newRow("semicolon") << "T;drop table KRBBZD" << false;
    QTest::newRow("full-width semicolon") << "T；x" << false;
    QTest::newRow("brackets") << "[T]" << false;
    QTest::newRow("parenthesis") << "T(1)" << false;
    QTest::newRow("comment") << "T--" << false;
    QTest::newRow("slash star") << "T/*" << false;
    QTest::newRow("zero-width space") << QString::fromUcs4(U"T\u200B") << false;
    QTest::newRow("hangul filler") << QString::fromUcs4(U"T\u3164") << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "T" << false;
    QTest::newRow("roman numeral") << "TⅫ" << false;
    QTest::newRow("line end") << "T\nx" << false;
}

void TestDialect::plainTableNames()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(isPlainTableName(name), plain);
}

void TestDialect::catalogueNames_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("padded") << "KRHZD     " << "KRHZD" << true;
    QTest::newRow("padded chinese") << "临时表1  " << "临时表1" << true;
    QTest::newRow("not padded") << "KRHZD" << "KRHZD" << true;
    QTest::newRow("leading blanks stay") << "  KRHZD" << "  KRHZD" << false;
    QTest::newRow("inner blank stays") << "KRBBZD x  " << "KRBBZD x" << false;
    QTest::newRow("only blanks") << "    " << "" << false;
    QTest::newRow("tab is no padding") << "KRHZD\t" << "KRHZD\t" << false;
}

void TestDialect::catalogueNames()
{
    QFETCH(QString, read);
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(catalogueName(read), name);
    QCOMPARE(isPlainTableName(catalogueName(read)), plain);
}

QTEST_GUILESS_MAIN(TestDialect)
#include "test_dialect.moc"
