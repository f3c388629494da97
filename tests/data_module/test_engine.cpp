#include "data_module/cached_query.h"
#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/engine_config.h"
#include "data_module/query.h"
#include "data_module/dialect.h"
#include "support/recording_backend.h"
#include "data_module/table.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The engine on the real path: QODBC, unixODBC and the SQLite ODBC driver, with a DSN in
// an odbc.ini of the test's own.
class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dbFile;

    void seed(const QStringList& statements)
    {
        QSqlDatabase s = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        s.setDatabaseName(m_dbFile);
        QVERIFY(s.open());
        for (const QString& st : statements) {
            QSqlQuery q(s);
            QVERIFY2(q.exec(st), qPrintable(st));
        }
        s.close();
        s = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    }

    static void connectDemo(Database& db, const QString& password = QStringLiteral("x"))
    {
        db.clearParams();
        db.setDriverName(QStringLiteral("SQLite3"));
        db.addParam(QStringLiteral("BLOB SIZE=2048"));
        db.addParam(QStringLiteral("ODBC DSN=engine_test"));
        db.addParam(QStringLiteral("USER NAME=dba"));
        db.addParam(QStringLiteral("PASSWORD=") + password);
        db.connect();
    }

    QStringList column(Database& db, const QString& sql)
    {
        Query q(db);
        q.setSql(sql);
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.text(0);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_dbFile = m_dir.filePath(QStringLiteral("engine.db"));
        QFile ini(m_dir.filePath(QStringLiteral("odbc.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[engine_test]\nDriver=SQLite3\nDatabase=%1\n"
                                 "[engine_semi]\nDriver=SQLite3\nDescription=a; b\nDatabase=/x;y.db\n"
                                 "[engine_tds]\nDriver=/opt/drivers/libtdsodbc.so\nDescription=a; b\nServer=h;1\nPort=5000\n"
                                 "[engine_gbk]\nDriver=SQLite3\nDatabase=/数据/a.db\n"
                                 "[engine_file]\nDriver=SQLite3\nDatabase=/x/old.DSN.db\n")
                      .arg(m_dbFile)
                      .toUtf8());
        ini.close();
        qputenv("ODBCINI", ini.fileName().toLocal8Bit());
        qputenv("VOSTREL_HOME", m_dir.path().toLocal8Bit());
    }

    void init()
    {
        QFile::remove(m_dbFile);
        seed({QStringLiteral("create table T (K varchar(8), V int, S varchar(20))"),
            QStringLiteral("insert into T values ('a', 1, 'x')"), QStringLiteral("insert into T values ('b', 2, null)"),
            QStringLiteral("insert into T values ('c', 3, 'z')"),
            QStringLiteral("create table kvdbztxx (kvdbztxx_ztbh varchar(3), kvdbztxx_owner varchar(20))"),
            QStringLiteral("insert into kvdbztxx values ('001', 'dba')"),
            QStringLiteral("create index IX_T on T(K)"), QStringLiteral("create table B (N int, G blob)")});
    }

    void connectsAndNamesTheServer()
    {
        Database db;
        connectDemo(db);
        QVERIFY(db.connected());
        QCOMPARE(db.dbmsName(), QStringLiteral("SQLite"));
        db.disconnect();
        QVERIFY(!db.connected());
    }

    void errorsCarryTheDatabaseText()
    {
        Database db;
        connectDemo(db);
        Query q(db);
        q.setSql(QStringLiteral("select * from NO_SUCH_TABLE"));
        try {
            q.open();
            QFAIL("no error");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("NO_SUCH_TABLE")), qPrintable(e.message()));
        }
        QVERIFY(!q.active());
        QVERIFY(q.isEmpty());
        QVERIFY(q.eof());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, q.text(QStringLiteral("K")));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, q.first());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, q.recordCount());
    }

    void unknownDriverOrAliasFailsClearly_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("alias");
        QTest::newRow("alias without engine settings") << QString() << QStringLiteral("cwbase3");
        QTest::newRow("unknown driver without data source") << QStringLiteral("NOSUCH") << QString();
    }
    void unknownDriverOrAliasFailsClearly()
    {
        QFETCH(QString, driver);
        QFETCH(QString, alias);
        Database db;
        if (!alias.isEmpty())
            db.setAliasName(alias);
        else
            db.setDriverName(driver);
        db.addParam(QStringLiteral("BLOB SIZE=2048"));
        try {
            db.connect();
            QFAIL("connected");
        } catch (const DatabaseError& e) {
            QVERIFY(e.message().contains(driver.isEmpty() ? alias : driver));
        }
        QVERIFY(!db.connected());
    }

    void readingRowsAndCounting()
    {
        Database db;
        connectDemo(db);
        Query q(db);
        q.add(QStringLiteral("select K, V, S from T"));
        q.add(QStringLiteral("order by K"));
        q.open();
        QVERIFY(!q.isEmpty());
        QCOMPARE(q.text(QStringLiteral("k")), QStringLiteral("a"));
        q.next();
        QCOMPARE(q.recordCount(), 3);
        // Counting reads ahead but keeps the position.
        QCOMPARE(q.text(QStringLiteral("K")), QStringLiteral("b"));
        QVERIFY(q.isNull(QStringLiteral("S")));
        QCOMPARE(q.text(QStringLiteral("S")), QString());
        QCOMPARE(q.integer(QStringLiteral("V")), 2);
        q.next();
        q.next();
        QVERIFY(q.eof());
        QCOMPARE(q.recordCount(), 3);
        q.first();
        QCOMPARE(q.text(0), QStringLiteral("a"));
        QCOMPARE(q.recordCount(), 3);

        q.setSql(QStringLiteral("select K from T where 1>2"));
        q.open();
        QVERIFY(q.isEmpty());
        QCOMPARE(q.recordCount(), 0);
        QCOMPARE(q.text(QStringLiteral("K")), QString());
    }

    void commitAndRollback()
    {
        Database db;
        connectDemo(db);
        db.startTransaction();
        db.send(QStringLiteral("delete from T where K = 'a'"));
        db.rollback();
        QCOMPARE(column(db, QStringLiteral("select count(*) from T")), QStringList{QStringLiteral("3")});
        db.startTransaction();
        db.send(QStringLiteral("delete from T where K = 'a'"));
        db.commit();
        QCOMPARE(column(db, QStringLiteral("select count(*) from T")), QStringList{QStringLiteral("2")});
        // Outside a transaction every statement stands on its own.
        db.send(QStringLiteral("delete from T where K = 'b'"));
        db.disconnect();
        connectDemo(db);
        QCOMPARE(column(db, QStringLiteral("select K from T")), QStringList{QStringLiteral("c")});
    }

    void sqliteTranslations_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");
        QTest::newRow("truncate") << QStringLiteral("TRUNCATE table T") << QStringLiteral("select count(*) from T")
                                  << QStringLiteral("0");
        QTest::newRow("drop index with table") << QStringLiteral("drop index T.IX_T")
                                               << QStringLiteral("select count(*) from sqlite_master where name='IX_T'")
                                               << QStringLiteral("0");
        QTest::newRow("owner-qualified name")
            << QStringLiteral("delete from dba.T where K='a'") << QStringLiteral("select count(*) from T")
            << QStringLiteral("2");
        QTest::newRow("owner text inside a literal is kept")
            << QStringLiteral("update T set S='dba.x' where K='a'")
            << QStringLiteral("select S from T where K='a'") << QStringLiteral("dba.x");
    }
    void sqliteTranslations()
    {
        QFETCH(QString, statement);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        Database db;
        connectDemo(db);
        db.send(statement);
        QCOMPARE(column(db, check), QStringList{expected});
    }

    void sqliteStatementForms_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sent");
        QTest::newRow("nonclustered index")
            << QStringLiteral("create nonclustered index IX_T2 on T(V)")
            << QStringLiteral("create index IX_T2 on T(V)");
        QTest::newRow("key-range delete")
            << QStringLiteral("delete from T where exists (select 1 from R RelTab where RelTab.K = T.K and RelTab.V = T.V)")
            << QStringLiteral("delete from T where (K, V) in (select K, V from R)");
        QTest::newRow("other correlation kept")
            << QStringLiteral("delete from T where exists (select 1 from R RelTab where RelTab.K = T.S)")
            << QStringLiteral("delete from T where exists (select 1 from R RelTab where RelTab.K = T.S)");
    }
    void sqliteStatementForms()
    {
        QFETCH(QString, statement);
        QFETCH(QString, sent);
        QCOMPARE(dialect::forSqlite(statement), sent);
    }

    // Both forms of the key-range delete remove the same rows: keys with a missing part
    // match nothing, a key-table row matching no row removes nothing.
    void keyRangeDeleteMatchesTheCorrelatedForm()
    {
        Database db;
        connectDemo(db);
        db.send(QStringLiteral("create table R (K varchar(8), V int)"));
        db.send(QStringLiteral("insert into T values ('a', 1, 'second'), (null, 4, 'n'), ('d', null, 'm')"));
        db.send(QStringLiteral("insert into R values ('a', 1), ('b', 5), (null, 4), ('d', null), ('a', 1)"));
        const QString rows = QStringLiteral("select K || '/' || coalesce(S, '-') from T order by K, S");
        db.startTransaction();
        db.send(QStringLiteral("delete from T where exists (select 1 from R RelTab where RelTab.K = T.K and "
                               "RelTab.V = T.V)"));
        const QStringList translated = column(db, rows);
        db.rollback();
        db.backend().exec(QStringLiteral("delete from T where exists (select 1 from R RelTab where RelTab.K = T.K "
                                         "and RelTab.V = T.V)"),
            {});
        QCOMPARE(column(db, rows), translated);
        QCOMPARE(translated, (QStringList{QString(), QStringLiteral("b/-"), QStringLiteral("c/z"), QStringLiteral("d/m")}));
    }

    // A statement with values runs prepared; the hook, the counter and the trace see every
    // run with its values written in; a new connection prepares it anew.
    void boundStatementsArePreparedOnce()
    {
        const QString trace = m_dir.filePath(QStringLiteral("bound.sql"));
        QFile::remove(trace);
        qputenv("VOSTREL_SQL_TRACE", trace.toLocal8Bit());
        QStringList seen;
        {
            Database db;
            connectDemo(db);
            db.setStatementHook([&](const QString& sql) { seen << sql; });
            Query q(db);
            QStringList values;
            for (const QString& k : {QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("o'k")}) {
                q.setSql(QStringLiteral("select V from T where K = ?"));
                q.addBind(k);
                q.open();
                values << (q.isEmpty() ? QStringLiteral("-") : q.text(0));
                q.close();
            }
            QCOMPARE(values, (QStringList{"1", "3", "-"}));
            q.setSql(QStringLiteral("update T set S = ? where K = ?"));
            q.setBinds({QStringLiteral("y"), QStringLiteral("b")});
            QCOMPARE(q.exec(), 1);
            db.disconnect();
            connectDemo(db);
            q.setSql(QStringLiteral("select S from T where K = ?"));
            q.addBind(QStringLiteral("b"));
            q.open();
            QCOMPARE(q.text(0), QStringLiteral("y"));
            q.close();
            QCOMPARE(db.statementCount(), 5);
            q.setSql(QStringLiteral("select S from NO_SUCH where K = ?"));
            q.addBind(QStringLiteral("b"));
            QVERIFY_THROWS_EXCEPTION(DatabaseError, q.open());
        }
        qunsetenv("VOSTREL_SQL_TRACE");
        const QStringList expected{QStringLiteral("select V from T where K = 'a'"),
            QStringLiteral("select V from T where K = 'c'"), QStringLiteral("select V from T where K = 'o''k'"),
            QStringLiteral("update T set S = 'y' where K = 'b'"), QStringLiteral("select S from T where K = 'b'"),
            QStringLiteral("select S from NO_SUCH where K = 'b'")};
        QCOMPARE(seen, expected);
        QFile f(trace);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), expected.join(QStringLiteral(";\n")) + QStringLiteral(";\n"));
    }

    // Without prepared statements (a backend that keeps none, or switched off) each run
    // goes as text with its values written in, the quotes doubled.
    void boundStatementsWithoutPreparingGoAsText()
    {
        auto* rec = new RecordingBackend;
        Database db{std::unique_ptr<Backend>(rec)};
        db.setDriverName(QStringLiteral("MSSQL"));
        db.connect();
        Query q(db);
        for (const QString& k : {QStringLiteral("0001"), QStringLiteral("O'1")}) {
            q.setSql(QStringLiteral("delete from optiHZD where 1=1 and HZD_ORDE=? and BBZD_BH=?"));
            q.setBinds({k, QStringLiteral("101")});
            q.exec();
        }
        QCOMPARE(rec->statements(),
            (QStringList{QStringLiteral("delete from optiHZD where 1=1 and HZD_ORDE='0001' and BBZD_BH='101'"),
                QStringLiteral("delete from optiHZD where 1=1 and HZD_ORDE='O''1' and BBZD_BH='101'")}));

        Database sqlite;
        connectDemo(sqlite);
        sqlite.setPreparedStatements(false);
        Query s(sqlite);
        s.setSql(QStringLiteral("update T set S = '?' where K = ?"));
        s.addBind(QStringLiteral("a"));
        QCOMPARE(s.exec(), 1);
        QCOMPARE(column(sqlite, QStringLiteral("select S from T where K = 'a'")), QStringList{QStringLiteral("?")});
    }

    void otherStatementsAreSentAsWritten()
    {
        auto* rec = new RecordingBackend;
        Database db{std::unique_ptr<Backend>(rec)};
        db.setDriverName(QStringLiteral("MSSQL"));
        db.connect();
        db.send(QStringLiteral("TRUNCATE table T"));
        db.send(QStringLiteral("drop index T.IX_T"));
        db.send(QStringLiteral("select * from dba.kvdbztxx"));
        QCOMPARE(rec->statements(), (QStringList{QStringLiteral("TRUNCATE table T"),
                                        QStringLiteral("drop index T.IX_T"), QStringLiteral("select * from dba.kvdbztxx")}));
    }

    void blobsRoundTrip()
    {
        Database db;
        connectDemo(db);
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i)
            bytes.append(static_cast<char>(i * 7 % 256));
        Table t(db);
        t.setTableName(QStringLiteral("B"));
        t.setFilter(QStringLiteral("1>2"));
        t.setFiltered(true);
        t.open();
        QCOMPARE(t.recordCount(), 0);
        t.append();
        t.setField(QStringLiteral("N"), 1);
        t.setField(QStringLiteral("G"), bytes);
        t.post();
        Table all(db);
        all.setTableName(QStringLiteral("B"));
        all.setKeyFields(QStringLiteral("N"));
        all.open();
        QVERIFY(all.locate(QStringLiteral("n"), {QStringLiteral("1")}));
        QCOMPARE(all.bytes(QStringLiteral("G")), bytes);
        all.edit();
        all.setField(QStringLiteral("G"), QByteArray("\0\1\2", 3));
        all.post();
        Query q(db);
        q.setSql(QStringLiteral("select G from B"));
        q.open();
        QCOMPARE(q.bytes(QStringLiteral("G")), QByteArray("\0\1\2", 3));
    }

    void tableLocateIgnoresCase()
    {
        Database db;
        connectDemo(db);
        db.send(QStringLiteral("insert into T values ('Dd', 4, 'w')"));
        Table t(db);
        t.setTableName(QStringLiteral("T"));
        t.open();
        QVERIFY(t.locate(QStringLiteral("K;S"), {QStringLiteral("dD"), QStringLiteral("W")}));
        QCOMPARE(t.text(QStringLiteral("V")), QStringLiteral("4"));
        QVERIFY(!t.locate(QStringLiteral("K"), {QStringLiteral("zz")}));
    }

    void cachedDeleteNeedsExactlyOneRow_data()
    {
        QTest::addColumn<QStringList>("extraRows");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("one row") << QStringList{} << false << 2;
        QTest::newRow("two equal rows") << QStringList{QStringLiteral("insert into T values ('a', 1, 'y')")} << true << 2;
    }
    void cachedDeleteNeedsExactlyOneRow()
    {
        QFETCH(QStringList, extraRows);
        QFETCH(bool, fails);
        QFETCH(int, rowsLeft);
        Database db;
        connectDemo(db);
        for (const QString& s : extraRows)
            db.send(s);
        CachedQuery cq(db);
        cq.setSql(QStringLiteral("select K, V from T order by K"));
        cq.setDeleteSql(QStringLiteral("delete from T where K = :OLD_K and V = :OLD_V"));
        cq.open();
        cq.deleteRow(0);
        QCOMPARE(cq.pendingDeletes(), 1);
        if (fails) {
            QVERIFY_THROWS_EXCEPTION(DatabaseError, cq.applyUpdates());
            QCOMPARE(cq.pendingDeletes(), 1);
        } else {
            cq.applyUpdates();
            QCOMPARE(cq.pendingDeletes(), 0);
        }
        QCOMPARE(column(db, QStringLiteral("select count(*) from T")), QStringList{QString::number(rowsLeft)});
    }

    void connectionStringValuesAreBraced_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");
        // Plain values go unbraced: some drivers keep the braces as part of the value.
        QTest::newRow("mssql plain") << QStringLiteral("MSSQL") << QStringLiteral("pw")
                                     << QStringLiteral("DRIVER={FreeTDS};SERVER=SRV;DATABASE=cw;UID=u;PWD=pw;TDS_Version=7.3");
        QTest::newRow("semicolon cannot add attributes")
            << QStringLiteral("SYBASE") << QStringLiteral("a;DATABASE=x")
            << QStringLiteral("DRIVER={FreeTDS};SERVER=SRV;DATABASE=cw;UID=u;PWD={a;DATABASE=x};TDS_Version=5.0");
        QTest::newRow("closing brace doubled") << QStringLiteral("ORACLE") << QStringLiteral("a}b")
                                               << QStringLiteral("DRIVER={Oracle};DBQ=SRV;UID=u;PWD={a}}b}");
        QTest::newRow("opening brace") << QStringLiteral("ORACLE") << QStringLiteral("{a")
                                       << QStringLiteral("DRIVER={Oracle};DBQ=SRV;UID=u;PWD={{a}");
        QTest::newRow("edge blanks kept inside braces") << QStringLiteral("ORACLE") << QStringLiteral(" a ")
                                                        << QStringLiteral("DRIVER={Oracle};DBQ=SRV;UID=u;PWD={ a }");
        QTest::newRow("inner blank is plain") << QStringLiteral("ORACLE") << QStringLiteral("a b")
                                              << QStringLiteral("DRIVER={Oracle};DBQ=SRV;UID=u;PWD=a b");
        QTest::newRow("equals sign") << QStringLiteral("ORACLE") << QStringLiteral("a=b")
                                     << QStringLiteral("DRIVER={Oracle};DBQ=SRV;UID=u;PWD={a=b}");
    }
    void connectionStringValuesAreBraced()
    {
        QFETCH(QString, driver);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        const QStringList params{QStringLiteral("DATABASE NAME=cw"), QStringLiteral("SERVER NAME=SRV"),
            QStringLiteral("USER NAME=u"), QStringLiteral("PASSWORD=") + password};
        QCOMPARE(EngineConfig().resolve(driver, params).connectionString, expected);
    }

    void siteSettingsOverrideAndDefineAliases()
    {
        const EngineConfig c = EngineConfig::fromText(QStringLiteral(
            "[MSSQL]\nConnectionString=DRIVER={Other};S={SERVER NAME}\n[cwbase3]\nDataSource=site_dsn\n[engine]\nLoginTimeout=5\n"));
        QCOMPARE(c.resolve(QStringLiteral("mssql"), {QStringLiteral("SERVER NAME=q")}).connectionString,
            QStringLiteral("DRIVER={Other};S=q"));
        const OdbcTarget alias = c.resolve(QStringLiteral("cwbase3"), {QStringLiteral("USER NAME=u")});
        QCOMPARE(alias.dataSource, QStringLiteral("site_dsn"));
        QCOMPARE(alias.userName, QStringLiteral("u"));
        QCOMPARE(alias.loginTimeoutSeconds, 5);
        QCOMPARE(c.resolve(QStringLiteral("DB2"), {QStringLiteral("DB2 DSN=D2")}).dataSource, QStringLiteral("D2"));
    }

    void dataSourceCredentialsAreBraced_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("dsn");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QStringLiteral("Adaptive Server Anywhere 9.0") << QStringLiteral("cw")
                               << QStringLiteral("sql") << QStringLiteral("cw;UID=u;PWD=sql");
        QTest::newRow("semicolon and brace") << QStringLiteral("DB2") << QStringLiteral("cw")
                                             << QStringLiteral("a;DSN=x}") << QStringLiteral("cw;UID=u;PWD={a;DSN=x}}}");
        QTest::newRow("sqlite gets no credentials") << QStringLiteral("SQLite3") << QStringLiteral("demo")
                                                    << QStringLiteral("sql") << QStringLiteral("demo");
        // The SQLite driver would split the value: refused, although it is not sent.
        QTest::newRow("sqlite refuses attributes") << QStringLiteral("SQLite3") << QStringLiteral("demo")
                                                   << QStringLiteral("a;Database=x") << QString();
        QTest::newRow("data source that could add attributes") << QStringLiteral("DB2") << QStringLiteral("cw;X=1")
                                                               << QStringLiteral("p") << QString();
    }
    void dataSourceCredentialsAreBraced()
    {
        QFETCH(QString, driver);
        QFETCH(QString, dsn);
        QFETCH(QString, password);
        QFETCH(QString, expected);
        const QString dsnParam = driver == QLatin1String("DB2") ? QStringLiteral("DB2 DSN=") : QStringLiteral("ODBC DSN=");
        auto text = [&] {
            return EngineConfig()
                .resolve(driver, {dsnParam + dsn, QStringLiteral("USER NAME=u"), QStringLiteral("PASSWORD=") + password})
                .dataSourceText();
        };
        if (expected.isEmpty())
            QVERIFY_THROWS_EXCEPTION(DatabaseError, text());
        else
            QCOMPARE(text(), expected);
    }

    // A data source of the odbc.ini goes as its own attributes, so that nothing reads the
    // file again; by its name when a value could not go as it stands.
    void dataSourceGoesAsItsAttributes_data()
    {
        QTest::addColumn<QString>("dsn");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite") << "engine_test" << QStringLiteral("DRIVER=SQLite3;Database=") + m_dbFile;
        QTest::newRow("sqlite, a value it would split") << "engine_semi" << "engine_semi";
        QTest::newRow("driver reading braces") << "engine_tds"
                                               << "DRIVER=/opt/drivers/libtdsodbc.so;Server={h;1};Port=5000;UID=u;PWD=p";
        QTest::newRow("not plain ASCII") << "engine_gbk" << "engine_gbk";
        QTest::newRow("QODBC would read a file data source") << "engine_file" << "engine_file";
        QTest::newRow("not in the file") << "elsewhere" << "elsewhere;UID=u;PWD=p";
    }
    void dataSourceGoesAsItsAttributes()
    {
        QFETCH(QString, dsn);
        QFETCH(QString, expected);
        const OdbcTarget t = EngineConfig().resolve(QStringLiteral("ODBC"),
            {QStringLiteral("ODBC DSN=") + dsn, QStringLiteral("USER NAME=u"), QStringLiteral("PASSWORD=p")});
        QCOMPARE(t.dataSourceText(), expected);
    }

    void passwordWithSemicolonNeverReachesTheSqliteDriver()
    {
        // The SQLite driver ignores the password but would read the attribute: refused
        // before the driver manager is asked, and the database stays the one of the DSN.
        Database db;
        const QString other = m_dir.filePath(QStringLiteral("other.db"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, connectDemo(db, QStringLiteral("p;Database=") + other));
        QVERIFY(!db.connected());
        QVERIFY(!QFile::exists(other));
        connectDemo(db, QStringLiteral("p q"));
        QCOMPARE(column(db, QStringLiteral("select count(*) from T")), QStringList{QStringLiteral("3")});
    }

    void driverTraitsFollowTheLibrary_data()
    {
        QTest::addColumn<QString>("library");  // relative to the test folder when it starts with "@"
        QTest::addColumn<QString>("driverName");
        QTest::addColumn<bool>("braces");
        QTest::addColumn<bool>("users");
        QTest::newRow("sqlite3 by name") << "libsqlite3odbc.so" << "" << false << false;
        QTest::newRow("versioned sqlite library") << "drivers/libsqlite3odbc-0.9998.so" << "LogDrv" << false << false;
        QTest::newRow("sqlite2 library") << "libsqliteodbc.so" << "Anything" << false << false;
        QTest::newRow("link of another name to it") << "@liblog.so" << "LogDrv" << false << false;
        QTest::newRow("psqlodbc keeps braces") << "psqlodbcw.so" << "PostgreSQL Unicode" << false << true;
        QTest::newRow("freetds reads braces") << "libtdsodbc.so" << "FreeTDS" << true << true;
        // The library decides, not the section name; the name stands in only without one.
        QTest::newRow("section named after sqlite, other library") << "libtdsodbc.so" << "SQLite3" << true << true;
        QTest::newRow("no library, sqlite name") << "" << "SQLite3" << false << false;
        QTest::newRow("no library, other name") << "" << "LogDrv" << true << true;
    }
    void driverTraitsFollowTheLibrary()
    {
        QFETCH(QString, library);
        QFETCH(QString, driverName);
        QFETCH(bool, braces);
        QFETCH(bool, users);
        if (library.startsWith(QLatin1Char('@'))) {
            const QString target = m_dir.filePath(QStringLiteral("libsqlite3odbc.so"));
            QFile t(target);
            QVERIFY(t.open(QIODevice::WriteOnly));
            t.close();
            library = m_dir.filePath(library.mid(1));
            QFile::remove(library);
            QVERIFY(QFile::link(target, library));
        }
        const DriverTraits traits = driverTraits(library, driverName);
        QCOMPARE(traits.bracesHonoured, braces);
        QCOMPARE(traits.hasUsers, users);
    }

    void connectionStringToADriverWithoutBraces()
    {
        // A site's connection string naming the SQLite driver library gets plain values
        // only; one it would split is refused.
        const EngineConfig c = EngineConfig::fromText(QStringLiteral(
            "[LITE]\nConnectionString=DRIVER=libsqlite3odbc.so;Database={DATABASE NAME};UID={USER NAME}\n"));
        QCOMPARE(c.resolve(QStringLiteral("LITE"), {QStringLiteral("DATABASE NAME=a.db"), QStringLiteral("USER NAME=u")})
                     .connectionString,
            QStringLiteral("DRIVER=libsqlite3odbc.so;Database=a.db;UID=u"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError,
            c.resolve(QStringLiteral("LITE"), {QStringLiteral("DATABASE NAME=a.db;Timeout=1"), QStringLiteral("USER NAME=u")}));
        QVERIFY_THROWS_EXCEPTION(DatabaseError,
            c.resolve(QStringLiteral("LITE"), {QStringLiteral("DATABASE NAME=a.db"), QStringLiteral("PASSWORD=p}")}));
    }

    void statementTraceRecordsWhatWasSent()
    {
        const QString trace = m_dir.filePath(QStringLiteral("trace.sql"));
        QFile::remove(trace);
        qputenv("VOSTREL_SQL_TRACE", trace.toLocal8Bit());
        {
            Database db;
            connectDemo(db);
            db.send(QStringLiteral("TRUNCATE table T"));
            db.send(QStringLiteral("insert into T values (?, ?, ?)"), {QStringLiteral("o'k"), 5, QVariant()});
        }
        qunsetenv("VOSTREL_SQL_TRACE");
        QFile f(trace);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
            QStringLiteral("delete from T;\ninsert into T values ('o''k', '5', NULL);\n"));
    }

    void hookInjectsFailures()
    {
        Database db;
        connectDemo(db);
        db.setStatementHook([](const QString& sql) {
            if (sql.startsWith(QLatin1String("delete")))
                throw DatabaseError(QStringLiteral("injected"));
        });
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.send(QStringLiteral("delete from T")));
        db.setStatementHook({});
        QCOMPARE(column(db, QStringLiteral("select count(*) from T")), QStringList{QStringLiteral("3")});
    }

    void hookFailsAfterTheStatementTookEffect()
    {
        Database db;
        connectDemo(db);
        const auto failAfter = [&](const QString& what) {
            db.setStatementHook({}, [what](const QString& sql) {
                if (sql.startsWith(what))
                    throw DatabaseError(QStringLiteral("injected after"));
            });
        };
        failAfter(QStringLiteral("delete"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.send(QStringLiteral("delete from T where K = 'a'")));
        QCOMPARE(column(db, QStringLiteral("select K from T")), (QStringList{"b", "c"}));

        // A commit that committed and then reported failure: still in the transaction for the
        // caller, whose rollback has nothing left to undo.
        failAfter(QStringLiteral("COMMIT"));
        db.startTransaction();
        db.send(QStringLiteral("delete from T where K = 'b'"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.commit());
        QVERIFY(db.inTransaction());
        try {
            db.rollback();
        } catch (const DatabaseError&) {
        }
        QVERIFY(!db.inTransaction());
        db.setStatementHook({});
        db.disconnect();
        connectDemo(db);
        QCOMPARE(column(db, QStringLiteral("select K from T")), QStringList{"c"});

        // A begin that opened the transaction and then reported failure leaves none open:
        // the next statement stands on its own.
        failAfter(QStringLiteral("BEGIN"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, db.startTransaction());
        QVERIFY(!db.inTransaction());
        db.setStatementHook({});
        db.send(QStringLiteral("insert into T values ('d', 4, null)"));
        db.disconnect();
        connectDemo(db);
        QCOMPARE(column(db, QStringLiteral("select K from T order by K")), (QStringList{"c", "d"}));

        // A query that ran and then failed gives no result set.
        failAfter(QStringLiteral("select"));
        Query q(db);
        q.setSql(QStringLiteral("select K from T"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, q.open());
        db.setStatementHook({});
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
