// Login on a PostgreSQL server: the first step as the login role "cw" + account set + user
// code, the second as the owner named in dba.kvdbztxx; passwords really checked.
#include "support/pg_account_set.h"

#include "app/connection.h"
#include "data_module/qt_backend.h"

#include <QtTest>

namespace {
const QString Msg1 = QString::fromUtf16(FirstStepFailed);
const QString Msg2 = QString::fromUtf16(SecondStepFailed);

QString scalar(Database& db, const QString& sql)
{
    const auto cursor = db.openCursor(sql);
    QList<QVariant> row;
    return cursor->fetch(row) ? row.value(0).toString() : QString();
}
}

class TestPgLogin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        m_pg = std::make_unique<PgAccountSet>(TestAccountSetOptions{.connect = false});
    }
    void cleanupTestCase() { m_pg.reset(); }

    void ownerConnection()
    {
        m_pg->connect();
        QVERIFY(m_pg->mast().connected());
        QCOMPARE(m_pg->mast().dbmsName(), QStringLiteral("PostgreSQL"));
        QCOMPARE(scalar(m_pg->mast(), QStringLiteral("select current_user")), QStringLiteral("dba"));
        // psqlodbc is a Unicode driver: its rows go through QSqlQuery.
        QCOMPARE(static_cast<QtSqlBackend&>(m_pg->mast().backend()).handleResults(), 0);
        m_pg->mast().disconnect();
    }

    void steps_data()
    {
        QTest::addColumn<QString>("accountSet");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("owner");    // registry row's owner and password, "" as loaded
        QTest::addColumn<QString>("ownerPassword");
        QTest::addColumn<QString>("result");
        const QString pw = PgAccountSet::loginPassword();
        QTest::newRow("right password") << "001    演示" << "9999" << pw << "" << "" << "";
        QTest::newRow("second account set") << "002    分公司" << "9999" << pw << "" << "" << "";
        QTest::newRow("wrong password") << "001    演示" << "9999" << "mm9998" << "" << "" << Msg1;
        QTest::newRow("empty password") << "001    演示" << "9999" << "" << "" << "" << Msg1;
        QTest::newRow("unknown user") << "001    演示" << "9998" << pw << "" << "" << Msg1;
        QTest::newRow("password with braces and semicolon") << "001    演示" << "9999" << pw + ";x}" << "" << "" << Msg1;
        QTest::newRow("owner's password wrong in the registry") << "001    演示" << "9999" << pw << "dba" << "sqx" << Msg2;
        QTest::newRow("owner unknown") << "001    演示" << "9999" << pw << "dbx" << "sql" << Msg2;
    }
    void steps()
    {
        QFETCH(QString, accountSet);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, owner);
        QFETCH(QString, ownerPassword);
        QFETCH(QString, result);
        if (!owner.isEmpty())
            m_pg->exec(QStringLiteral("update kvdbztxx set kvdbztxx_owner = '%1', kvdbztxx_pass = '%2'")
                           .arg(owner, ownerPassword));
        const QString got = ConnectAccountSet(m_pg->dm(), user, password, QStringLiteral("jwcw.ini"), accountSet, true);
        const bool connected = m_pg->mast().connected();
        const QString who = connected ? scalar(m_pg->mast(), QStringLiteral("select current_user")) : QString();
        if (m_pg->mast().connected())
            m_pg->mast().disconnect();
        m_pg->exec(QStringLiteral("update kvdbztxx set kvdbztxx_owner = 'dba', kvdbztxx_pass = 'sql'"));
        QCOMPARE(got, result);
        QCOMPARE(connected, result.isEmpty());
        if (connected)
            QCOMPARE(who, QStringLiteral("dba"));
    }

private:
    std::unique_ptr<PgAccountSet> m_pg;
};

QTEST_GUILESS_MAIN(TestPgLogin)
#include "test_pg_login.moc"
