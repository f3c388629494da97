#include "app/connection.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "platform/host.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The two-step connection on the database kinds that no server here runs: the recording
// backend shows the driver name and parameter lines of each connect and the statements.

namespace {
const QString Msg1 = QString::fromUtf16(FirstStepFailed);
const QString Msg2 = QString::fromUtf16(SecondStepFailed);

struct Rig {
    QTemporaryDir home;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};

    Rig() { qputenv("VOSTREL_HOME", home.path().toLocal8Bit()); }
    RecordingBackend& rec() { return static_cast<RecordingBackend&>(dm.mast.backend()); }
    void write(const QString& name, const QString& text)
    {
        QFile f(home.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }
    // An auto-start style file with the one section "sqlca".
    void sqlca(const QString& dbms, const QString& ztbh = QStringLiteral("001"))
    {
        write(QStringLiteral("auto"), QStringLiteral("[sqlca]\nDBMS=%1\nDataBase=demo_db\nServerName=srv1\nZtbh=%2\n")
                                          .arg(dbms, ztbh));
    }
    QString connect(const QString& user = QStringLiteral("9999"), const QString& password = QStringLiteral("pw"))
    {
        return ConnectAccountSet(dm, user, password, QStringLiteral("auto"), QString(), false);
    }
    QStringList registryQueries() const
    {
        QStringList out;
        for (const QString& s : const_cast<Rig*>(this)->rec().statements())
            if (s.contains(QLatin1String("kvdbztxx")))
                out << s;
        return out;
    }
};

// The stored form of a password as the report system writes it (the reverse of
// RestorePassword): f is the first character, the last is f + d.
QString scramble(const QString& password, int f, int d)
{
    const qsizetype m = password.size();
    QString body(2 * m, u' ');
    for (qsizetype k = 0; k < m; ++k) {
        const int i = int(k) + 1; // pair number counted from the end of the body
        const int t = ((password.at(k).unicode() + d) % 256 + 256) % 256;
        const QChar a(f + t / 26);
        const QChar b(97 + t % 26);
        const qsizetype pos = 2 * m - 2 * i; // 0-based start of the pair
        body[pos] = i % 2 == 1 ? a : b;
        body[pos + 1] = i % 2 == 1 ? b : a;
    }
    return QChar(f) + body + QChar(f + d);
}

QString paramOf(const QStringList& lines, const QString& name)
{
    for (const QString& l : lines)
        if (l.startsWith(name + QLatin1Char('=')))
            return l.mid(name.size() + 1);
    return QStringLiteral("<absent>");
}

QStringList replaced(QStringList lines)
{
    for (QString& l : lines)
        l.replace(QLatin1String("<C>"), computerName());
    return lines;
}
}

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void firstStepByKind_data();
    void firstStepByKind();
    void firstStepUserName_data();
    void firstStepUserName();
    void sectionFromAccountSetText_data();
    void sectionFromAccountSetText();
    void secondStep_data();
    void secondStep();
    void failures_data();
    void failures();
    void workstationCode_data();
    void workstationCode();
    void reconnectDisconnectsFirst();
    void autoConnectReadsTheDaysFile();
    void restorePassword_data();
    void restorePassword();
    void restorePasswordRejectsInvalidForms_data();
    void restorePasswordRejectsInvalidForms();
};

void TestConnection::firstStepByKind_data()
{
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("from");

    const QString anywhere = QString::fromUtf16(DefaultOdbcDriver); // demo_db is no data source here
    const QStringList odbc{"BLOB SIZE=2048", "ODBC DSN=DEMO_DB", "USER NAME=cw0019999", "PASSWORD=pw"};
    QTest::newRow("ODBC") << "ODBC" << 0 << anywhere << odbc << " from dba.kvdbztxx";
    QTest::newRow("SYBASE ANYWHERE is ODBC") << "SYBASE ANYWHERE" << 0 << anywhere << odbc << " from dba.kvdbztxx";
    QTest::newRow("lower case sql anywhere") << "sql anywhere" << 0 << anywhere << odbc << " from dba.kvdbztxx";
    QTest::newRow("DB2") << "DB2" << 3 << "DB2"
                         << QStringList{"BLOB SIZE=2048", "DB2 DSN=DEMO_DB", "USER NAME=cw0019999", "PASSWORD=pw",
                                "HOSTNAME=<C>"}
                         << " from db2admin.kvdbztxx";
    QTest::newRow("ORACLE8") << "ORACLE8" << 3 << "ORACLE"
                             << QStringList{"BLOB SIZE=2048", "SERVER NAME=SRV1", "USER NAME=cw0019999",
                                    "SQLPASSTHRU MODE=SHARED AUTOCOMMIT", "PASSWORD=pw", "HOSTNAME=<C>"}
                             << " from system.kvdbztxx";
    const QStringList mss{"BLOB SIZE=2048", "DATABASE NAME=cwmaster", "SERVER NAME=SRV1", "USER NAME=cw0019999",
        "PASSWORD=pw", "HOSTNAME=<C>"};
    QTest::newRow("MSSQL") << "MSSQL" << 2 << "MSSQL" << mss << " from kvdbztxx";
    QTest::newRow("DB2 tested before MSS") << "MSS DB2" << 3 << "DB2"
                                           << QStringList{"BLOB SIZE=2048", "DB2 DSN=DEMO_DB", "USER NAME=cw0019999",
                                                  "PASSWORD=pw", "HOSTNAME=<C>"}
                                           << " from db2admin.kvdbztxx";
    QTest::newRow("MSS tested before SYBASE") << "SYBASE MSS" << 2 << "MSSQL" << mss << " from kvdbztxx";
    QTest::newRow("SYBASE") << "Sybase" << 1 << "SYBASE"
                            << QStringList{"BLOB SIZE=2048", "DATABASE NAME=cwmaster", "SERVER NAME=SRV1",
                                   "HOST NAME=<C>", "USER NAME=cw0019999", "PASSWORD=pw"}
                            << " from kvdbztxx";
    // No kind: the alias stands, the kind keeps its earlier value (2 here).
    QTest::newRow("names no kind") << "INFORMIX" << 2 << "cwbase3" << QStringList{"BLOB SIZE=2048"} << "";
    QTest::newRow("empty") << "" << 2 << "cwbase3" << QStringList{"BLOB SIZE=2048"} << "";
}

void TestConnection::firstStepByKind()
{
    QFETCH(QString, dbms);
    QFETCH(int, kind);
    QFETCH(QString, driver);
    QFETCH(QStringList, params);
    QFETCH(QString, from);
    // The code as the registry query quotes it: a quote in it doubled.
    for (const auto& [ztbh, quoted] : {std::pair{QStringLiteral("001"), QStringLiteral("'001'")},
             std::pair{QStringLiteral("O'1"), QStringLiteral("'O''1'")}}) {
        Rig rig;
        qputenv("ODBCINI", rig.home.filePath(QStringLiteral("none.ini")).toLocal8Bit());
        rig.sqlca(dbms, ztbh);
        rig.dm.state.DatabaseKind = DbKind(2);

        QCOMPARE(rig.connect(), QString());
        const auto connects = rig.rec().connects();
        QCOMPARE(connects.size(), 2);
        QCOMPARE(connects.at(0).text, driver);
        QCOMPARE(connects.at(0).params,
            replaced(params).replaceInStrings(QStringLiteral("=cw001"), QStringLiteral("=cw") + ztbh));
        QCOMPARE(kindNumber(rig.dm.state.DatabaseKind), kind);
        QCOMPARE(rig.registryQueries(),
            QStringList{QStringLiteral("SELECT kvdbztxx_owner,kvdbztxx_pass,kvdbztxx_base,kvdbztxx_ztmc") + from
                + QStringLiteral(" WHERE kvdbztxx_ztbh = ") + quoted});
    }
}

void TestConnection::firstStepUserName_data()
{
    QTest::addColumn<QString>("ztbh");
    QTest::addColumn<QString>("userCode");
    QTest::addColumn<QString>("user");
    QTest::newRow("account set 001, user 9999") << "001" << "9999" << "cw0019999";
    QTest::newRow("code upper-cased, user code kept as typed") << "ab1" << " Us er " << "cwAB1 Us er ";
    QTest::newRow("no code") << "" << "9999" << "cw9999";
}

void TestConnection::firstStepUserName()
{
    QFETCH(QString, ztbh);
    QFETCH(QString, userCode);
    QFETCH(QString, user);
    Rig rig;
    rig.sqlca(QStringLiteral("MSSQL"), ztbh);
    rig.connect(userCode);
    QCOMPARE(paramOf(rig.rec().connects().at(0).params, QStringLiteral("USER NAME")), user);
    // The registry is asked for the upper-cased code.
    QVERIFY(rig.registryQueries().value(0).endsWith(QStringLiteral("kvdbztxx_ztbh = '") + ztbh.toUpper() + "'"));
}

void TestConnection::sectionFromAccountSetText_data()
{
    QTest::addColumn<QString>("accountSet");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("server"); // SERVER NAME of the first connect; empty: no connect

    const QString alias = QStringLiteral("<alias>");
    QTest::newRow("001 names sqlca1") << QStringLiteral("001    总部") << "" << "ONE";
    QTest::newRow("012 names sqlca12") << QStringLiteral("012    分部") << "" << "TWELVE";
    QTest::newRow("000 names sqlca0") << QStringLiteral("000    演示") << "" << "ZERO";
    QTest::newRow("two digits") << "12" << "" << "TWELVE";
    QTest::newRow("four digits read as three") << QStringLiteral("1234    x") << "" << alias;
    QTest::newRow("empty text") << "" << Msg1 << "";
    QTest::newRow("not a number") << QStringLiteral("abc    x") << Msg1 << "";
    QTest::newRow("blank in the number") << QStringLiteral("0 1    x") << Msg1 << "";
}

void TestConnection::sectionFromAccountSetText()
{
    QFETCH(QString, accountSet);
    QFETCH(QString, result);
    QFETCH(QString, server);
    Rig rig;
    rig.write(QStringLiteral("jwcw.ini"),
        QStringLiteral("[sqlca1]\nDBMS=MSSQL\nServerName=one\nZtbh=001\n"
                       "[sqlca12]\nDBMS=MSSQL\nServerName=twelve\nZtbh=012\n"
                       "[sqlca0]\nDBMS=MSSQL\nServerName=zero\nZtbh=000\n"
                       "[sqlca]\nDBMS=MSSQL\nServerName=plain\n"));
    QCOMPARE(ConnectAccountSet(rig.dm, QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("jwcw.ini"),
                 accountSet, true),
        result);
    const auto connects = rig.rec().connects();
    if (server.isEmpty()) {
        QVERIFY(connects.isEmpty());
        QVERIFY(!rig.dm.mast.connected());
    } else if (server == QLatin1String("<alias>")) {
        QCOMPARE(connects.at(0).text, QStringLiteral("cwbase3"));
    } else {
        QCOMPARE(paramOf(connects.at(0).params, QStringLiteral("SERVER NAME")), server);
    }
}

void TestConnection::secondStep_data()
{
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<bool>("row");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<QStringList>("params"); // of the owner's connect
    QTest::addColumn<QString>("pad");        // the registry's fixed-width padding

    const QString secret = scramble(QStringLiteral("Secret7"), 'k', 3);
    QTest::newRow("MSSQL: owner, restored password, account set's database")
        << "MSSQL" << true << secret
        << QStringList{"BLOB SIZE=2048", "DATABASE NAME=acct01", "SERVER NAME=SRV1", "USER NAME=own01",
               "PASSWORD=Secret7", "HOSTNAME=<C>"} << "";
    QTest::newRow("SYBASE: database name replaced too")
        << "SYBASE" << true << secret
        << QStringList{"BLOB SIZE=2048", "DATABASE NAME=acct01", "SERVER NAME=SRV1", "HOST NAME=<C>",
               "USER NAME=own01", "PASSWORD=Secret7"} << "";
    QTest::newRow("ORACLE: no database name")
        << "ORACLE" << true << secret
        << QStringList{"BLOB SIZE=2048", "SERVER NAME=SRV1", "USER NAME=own01",
               "SQLPASSTHRU MODE=SHARED AUTOCOMMIT", "PASSWORD=Secret7", "HOSTNAME=<C>"} << "";
    QTest::newRow("DB2") << "DB2" << true << secret
                         << QStringList{"BLOB SIZE=2048", "DB2 DSN=DEMO_DB", "USER NAME=own01", "PASSWORD=Secret7",
                                "HOSTNAME=<C>"} << "";
    QTest::newRow("ODBC: password used as stored")
        << "ODBC" << true << secret
        << QStringList{"BLOB SIZE=2048", "ODBC DSN=DEMO_DB", "USER NAME=own01", "PASSWORD=" + secret} << "";
    QTest::newRow("no registry row: first-step user, empty password, settings database")
        << "MSSQL" << false << ""
        << QStringList{"BLOB SIZE=2048", "DATABASE NAME=DEMO_DB", "SERVER NAME=SRV1", "USER NAME=cw0019999",
               "PASSWORD=", "HOSTNAME=<C>"} << "";
    QTest::newRow("no kind: password restored") << "INFORMIX" << true << secret
                                                << QStringList{"BLOB SIZE=2048", "USER NAME=own01", "PASSWORD=Secret7"} << "";
    QTest::newRow("MSSQL: owner and database padded in the registry")
        << "MSSQL" << true << secret
        << QStringList{"BLOB SIZE=2048", "DATABASE NAME=acct01", "SERVER NAME=SRV1", "USER NAME=own01",
               "PASSWORD=Secret7", "HOSTNAME=<C>"} << "      ";
    QTest::newRow("ORACLE: owner padded") << "ORACLE" << true << secret
        << QStringList{"BLOB SIZE=2048", "SERVER NAME=SRV1", "USER NAME=own01",
               "SQLPASSTHRU MODE=SHARED AUTOCOMMIT", "PASSWORD=Secret7", "HOSTNAME=<C>"} << "  ";
}

void TestConnection::secondStep()
{
    QFETCH(QString, dbms);
    QFETCH(bool, row);
    QFETCH(QString, storedPassword);
    QFETCH(QStringList, params);
    QFETCH(QString, pad);
    Rig rig;
    qputenv("ODBCINI", rig.home.filePath(QStringLiteral("none.ini")).toLocal8Bit());
    rig.sqlca(dbms);
    RecordingBackend::Answer registry;
    registry.columns = QStringList{"kvdbztxx_owner", "kvdbztxx_pass", "kvdbztxx_base", "kvdbztxx_ztmc"};
    if (row)
        registry.rows = {{QStringLiteral("own01") + pad, storedPassword, QStringLiteral("acct01") + pad,
            QStringLiteral("演示") + pad}};
    rig.rec().answer(QStringLiteral("WHERE kvdbztxx_ztbh"), registry);

    QCOMPARE(rig.connect(), QString());
    QVERIFY(rig.dm.mast.connected());
    const auto connects = rig.rec().connects();
    QCOMPARE(connects.size(), 2);
    QCOMPARE(connects.at(1).params, replaced(params));
    // The registry is read on the first connection, which is closed before the owner's.
    QStringList order;
    for (const auto& e : rig.rec().events) {
        if (e.kind != u"open")
            order << e.kind;
        else if (e.text.contains(QLatin1String("kvdbztxx")))
            order << QStringLiteral("registry");
    }
    QCOMPARE(order, (QStringList{"connect", "registry", "disconnect", "connect"}));
}

void TestConnection::failures_data()
{
    QTest::addColumn<QString>("refuse");         // "first" / "second" connect refused, or ""
    QTest::addColumn<bool>("registryFails");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("connects");

    const QString good = scramble(QStringLiteral("pw"), 'a', 0);
    QTest::newRow("first connect refused") << "first" << false << good << Msg1 << 1;
    QTest::newRow("registry query fails") << "" << true << good << Msg2 << 1;
    QTest::newRow("owner connect refused") << "second" << false << good << Msg2 << 2;
    QTest::newRow("stored password too short") << "" << false << "x" << Msg2 << 1;
    QTest::newRow("stored password body of odd length") << "" << false << "abcde" << Msg2 << 1;
    QTest::newRow("stored password of two characters is empty") << "" << false << "ab" << "" << 2;
}

void TestConnection::failures()
{
    QFETCH(QString, refuse);
    QFETCH(bool, registryFails);
    QFETCH(QString, storedPassword);
    QFETCH(QString, result);
    QFETCH(int, connects);
    Rig rig;
    rig.sqlca(QStringLiteral("MSSQL"));
    int attempt = 0;
    rig.rec().onConnect = [&](const QString&, const QStringList&) {
        ++attempt;
        if ((refuse == u"first" && attempt == 1) || (refuse == u"second" && attempt == 2))
            throw DatabaseError(QStringLiteral("Login failed"));
    };
    if (registryFails) {
        rig.rec().fail(QStringLiteral("kvdbztxx"), QStringLiteral("table not found"));
    } else {
        RecordingBackend::Answer registry;
        registry.columns = QStringList{"kvdbztxx_owner", "kvdbztxx_pass", "kvdbztxx_base", "kvdbztxx_ztmc"};
        registry.rows = {{QStringLiteral("own01"), storedPassword, QStringLiteral("acct01"), QString()}};
        rig.rec().answer(QStringLiteral("kvdbztxx"), registry);
    }
    QCOMPARE(rig.connect(), result);
    QCOMPARE(rig.rec().connects().size(), connects);
    QCOMPARE(rig.dm.mast.connected(), result.isEmpty());
    if (refuse == u"first")
        QVERIFY(rig.registryQueries().isEmpty());
    QVERIFY(!rig.dm.LoginQuery.active());
}

void TestConnection::workstationCode_data()
{
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<QString>("answer"); // "row", "none", "fail"
    QTest::addColumn<QString>("code");
    QTest::newRow("oracle, registered") << "ORACLE" << "row" << "07";
    QTest::newRow("oracle, code padded") << "ORACLE" << "padded" << "07";
    QTest::newRow("db2, registered") << "DB2" << "row" << "07";
    QTest::newRow("oracle, not registered") << "ORACLE" << "none" << "";
    QTest::newRow("oracle, lookup fails") << "ORACLE" << "fail" << "ERROR";
    QTest::newRow("mssql: no lookup") << "MSSQL" << "row" << "<before>";
}

void TestConnection::workstationCode()
{
    QFETCH(QString, dbms);
    QFETCH(QString, answer);
    QFETCH(QString, code);
    Rig rig;
    rig.sqlca(dbms);
    rig.dm.state.WorkstationCode = QStringLiteral("<before>");
    RecordingBackend::Answer regs;
    regs.columns = QStringList{"JWREGS_ID"};
    if (answer == u"row")
        regs.rows = {{QStringLiteral("07")}, {QStringLiteral("08")}};
    if (answer == u"padded")
        regs.rows = {{QStringLiteral("07    ")}};
    if (answer == u"fail")
        rig.rec().fail(QStringLiteral("JWREGS"));
    else
        rig.rec().answer(QStringLiteral("JWREGS"), regs);

    // The lookup never fails the connection.
    QCOMPARE(rig.connect(), QString());
    QCOMPARE(rig.dm.state.WorkstationCode, code);
    const QString lookup =
        QStringLiteral("SELECT JWREGS_ID from system.JWREGS where JWREGS_BS like '") + computerName() + "%'";
    QCOMPARE(rig.rec().statements().contains(lookup), dbms != u"MSSQL");
}

void TestConnection::reconnectDisconnectsFirst()
{
    Rig rig;
    rig.sqlca(QStringLiteral("MSSQL"));
    QCOMPARE(rig.connect(), QString());
    rig.rec().events.clear();
    QCOMPARE(rig.connect(), QString());
    QCOMPARE(rig.rec().events.value(0).kind, QStringLiteral("disconnect"));
    // The parameter list starts afresh: no line is left from the earlier attempt.
    QCOMPARE(rig.rec().connects().at(0).params.count(QStringLiteral("BLOB SIZE=2048")), 1);
}

void TestConnection::autoConnectReadsTheDaysFile()
{
    Rig rig;
    QCOMPARE(autoStartFileName(QDate(2023, 12, 8)), QStringLiteral("1208log"));
    QCOMPARE(autoStartFileName(QDate(2024, 3, 1)), QStringLiteral("0301log"));
    rig.write(QStringLiteral("0301log"), QStringLiteral("[sqlca]\nDBMS=MSSQL\nServerName=march\nZtbh=002\n"));
    rig.write(QStringLiteral("0302log"), QStringLiteral("[sqlca]\nDBMS=MSSQL\nServerName=other\nZtbh=002\n"));
    // The section of jwcw.ini is never read by the automatic start.
    rig.write(QStringLiteral("jwcw.ini"), QStringLiteral("[sqlca]\nDBMS=ORACLE\nServerName=jwcw\n"));
    QCOMPARE(AutoConnect(rig.dm, QStringLiteral("9999"), QStringLiteral("pw"), QDate(2024, 3, 1)), QString());
    const QStringList params = rig.rec().connects().at(0).params;
    QCOMPARE(paramOf(params, QStringLiteral("SERVER NAME")), QStringLiteral("MARCH"));
    QCOMPARE(paramOf(params, QStringLiteral("USER NAME")), QStringLiteral("cw0029999"));
}

void TestConnection::restorePassword_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("password");
    // Worked by hand: 'A' = 2*26+13 from the pair "cn", 'B' = 2*26+14 from "co" taken reversed.
    QTest::newRow("by hand, one character") << "acna" << "A";
    QTest::newRow("by hand, two characters") << "aoccna" << "AB";
    QTest::newRow("empty body") << "ab" << "";
    for (const QString& pw : {QStringLiteral("a"), QStringLiteral("secret"), QStringLiteral("Pass1234"),
             QStringLiteral("x y!~"), QStringLiteral("0123456789abcdefXYZ")}) {
        for (const auto& [f, d] : {std::pair{'a', 0}, std::pair{'M', 5}, std::pair{'z', -7}, std::pair{'!', 40}}) {
            const QString s = scramble(pw, f, d);
            QTest::addRow("%s f=%c d=%d", qPrintable(pw), f, d) << s << pw;
        }
    }
}

void TestConnection::restorePassword()
{
    QFETCH(QString, stored);
    QFETCH(QString, password);
    const std::optional<QString> got = RestorePassword(stored);
    QVERIFY(got.has_value());
    QCOMPARE(*got, password);
}

void TestConnection::restorePasswordRejectsInvalidForms_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << "";
    QTest::newRow("one character") << "a";
    QTest::newRow("body of one") << "abc";
    QTest::newRow("body of three") << "abcde";
    QTest::newRow("wide character") << QStringLiteral("a口ba");
}

void TestConnection::restorePasswordRejectsInvalidForms()
{
    QFETCH(QString, stored);
    QVERIFY(!RestorePassword(stored).has_value());
}

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
