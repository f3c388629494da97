#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/recording_backend.h"
#include "maintenance/bbex_cleanup.h"
#include "maintenance/del_bbex_form.h"
#include "support/scripted_prompts.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {
struct Recorded {
    RecordingBackend* backend = nullptr;
    std::unique_ptr<TEndYearDataMod> dm;
    // Statements containing `failing` fail.
    explicit Recorded(const QString& failing = {})
    {
        auto b = std::make_unique<RecordingBackend>();
        backend = b.get();
        dm = std::make_unique<TEndYearDataMod>(std::move(b));
        dm->mast.connect();
        if (!failing.isEmpty())
            backend->fail(failing);
        RecordingBackend::Answer empty;
        empty.columns = {QStringLiteral("con1")};
        empty.rows = {{QVariant(0)}};
        backend->answer(QStringLiteral("count(*) con1 from temp"), empty);
    }
    // Statements and transaction events after the connect, one text each.
    QStringList trace() const
    {
        QStringList out;
        for (const RecordingBackend::Event& e : backend->events)
            if (e.kind == QLatin1String("open") || e.kind == QLatin1String("exec"))
                out << e.text;
            else if (e.kind != QLatin1String("connect"))
                out << e.kind.toUpper();
        return out;
    }
};

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }
}

class TestBbexCleanup : public QObject {
    Q_OBJECT
private slots:
    void statementsOfOnePass();
    void failuresOnTheRecordingEngine_data();
    void failuresOnTheRecordingEngine();
    void windowTexts();
};

void TestBbexCleanup::statementsOfOnePass()
{
    ScriptedPrompts prompts;
    Recorded r;
    BbexCleanupJob(r.dm->mast).cleanSystem(QStringLiteral("HZ"));

    const QString create = QStringList{
        QStringLiteral("create table tempHZBBEX              "),
        QStringLiteral("(                                           "),
        QStringLiteral(" BBZD_BH     varchar(8)     not null,       "),
        QStringLiteral(" BBZD_DATE   varchar(8)     not null,       "),
        QStringLiteral(" BBEX_EXC1   varchar(1)     null,           "),
        QStringLiteral(" BBEX_EXC2   varchar(1)     null,           "),
        QStringLiteral(" BBEX_EXC3   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC4   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC5   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC6   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC7   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC8   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC9   varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXC10  varchar(20)    null,           "),
        QStringLiteral(" BBEX_EXI1   int            null,           "),
        QStringLiteral(" BBEX_EXI2   int            null,           "),
        QStringLiteral(" BBEX_EXI3   int            null,           "),
        QStringLiteral(" BBEX_EXI4   int            null,           "),
        QStringLiteral(" BBEX_EXN1   float           null,          "),
        QStringLiteral(" BBEX_EXN2   float           null,          "),
        QStringLiteral(" BBEX_EXN3   float           null,          "),
        QStringLiteral(" BBEX_EXN4   float           null           "),
        QStringLiteral(")                                           "),
    }.join(QLatin1Char('\n'));
    const QString orphans = QStringList{
        QStringLiteral(" delete from HZBBEX") + blanks(36),
        QStringLiteral(" where not exists") + blanks(62 - 17),
        QStringLiteral("  (select 1") + blanks(62 - 11),
        QStringLiteral("   from HZBBZD") + blanks(41),
        QStringLiteral("    where HZBBZD.BBZD_BH   = HZBBEX.BBZD_BH     "),
        QStringLiteral("      and HZBBZD.BBZD_DATE = HZBBEX.BBZD_DATE)  "),
    }.join(QLatin1Char('\n'));
    const QString drop = QStringLiteral(" drop table tempHZBBEX    ");

    const QStringList expected{
        drop,
        create,
        QStringLiteral("BEGIN"), orphans, QStringLiteral("COMMIT"),
        QStringLiteral("select count(*) con1 from tempHZBBEX"),
        QStringLiteral("BEGIN"),
        QStringLiteral(" insert into  tempHZBBEX              \n select distinct  * from HZBBEX       "),
        QStringLiteral("COMMIT"),
        QStringLiteral("BEGIN"),
        QStringLiteral(" delete from   HZBBEX          "),
        QStringLiteral(" insert into  HZBBEX            \n select * from tempHZBBEX       "),
        QStringLiteral("COMMIT"),
        drop,
    };
    QCOMPARE(r.trace(), expected);
    QVERIFY(prompts.boxes.isEmpty());
}

void TestBbexCleanup::failuresOnTheRecordingEngine_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("krTail"); // KR statements after the orphan delete's commit
    const QString count = QStringLiteral("select count(*) con1 from tempKRBBEX");
    const QString copy = QStringLiteral(" insert into  tempKRBBEX              \n select distinct  * from KRBBEX       ");
    const QString clear = QStringLiteral(" delete from   KRBBEX          ");
    const QString writeBack = QStringLiteral(" insert into  KRBBEX            \n select * from tempKRBBEX       ");
    const QString drop = QStringLiteral(" drop table tempKRBBEX    ");
    QTest::newRow("copy fails") << QStringLiteral("select distinct  * from KRBBEX")
                                << QStringList{count, "BEGIN", copy, "ROLLBACK", drop};
    QTest::newRow("write-back fails") << QStringLiteral("select * from tempKRBBEX")
                                      << QStringList{count, "BEGIN", copy, "COMMIT", "BEGIN", clear, writeBack,
                                             "ROLLBACK", drop};
    QTest::newRow("work table missing") << QStringLiteral("count(*) con1 from tempKRBBEX")
                                        << QStringList{count, drop};
}

void TestBbexCleanup::failuresOnTheRecordingEngine()
{
    QFETCH(QString, failing);
    QFETCH(QStringList, krTail);
    ScriptedPrompts prompts;
    Recorded r(failing);
    BbexCleanupJob(r.dm->mast).run();

    const QStringList trace = r.trace();
    const qsizetype hz = trace.indexOf(QStringLiteral(" drop table tempHZBBEX    "));
    QVERIFY(hz > 0);
    QStringList kr = trace.mid(0, hz);
    const qsizetype afterOrphans = kr.indexOf(QStringLiteral("COMMIT")) + 1;
    QCOMPARE(kr.mid(afterOrphans), krTail);
    // The report-summary system is still processed in full, and the run ends as always.
    QCOMPARE(trace.mid(hz).size(), 14);
    QCOMPARE(trace.last(), QStringLiteral(" drop table tempHZBBEX    "));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("清除完成!")});
    QCOMPARE(prompts.boxes.first().buttons, PromptButtons::Ok);
}

void TestBbexCleanup::windowTexts()
{
    ScriptedPrompts prompts;
    Recorded r;
    TDelBBEXForm window(*r.dm);
    QCOMPARE(window.windowTitle(), QStringLiteral("扩展表（KRBBEX）垃圾数据清除"));
    QCOMPARE(window.Memo1->toPlainText().split(QLatin1Char('\n')),
        (QStringList{QStringLiteral("    报表扩展表（KRBBEX）垃圾数据清除主要解"),
            QStringLiteral("决因KRBBEX有垃圾数据导致报表月末存档失败、"), QStringLiteral("年结失败的问题。"),
            QStringLiteral("    可在清除完毕后继续进行月末存档、年结。")}));
    QVERIFY(window.Memo1->isReadOnly());
    QCOMPARE(window.DelBtn->text(), QStringLiteral("清除"));
    QVERIFY(window.DelBtn->isDefault());
    QCOMPARE(window.CloseBtn->text(), QStringLiteral("关闭"));

    // A transaction that cannot be begun ends the run in the standard error box.
    r.dm->mast.setStatementHook([](const QString& sql) {
        if (sql == QLatin1String("BEGIN"))
            throw DatabaseError(QStringLiteral("cannot begin"));
    });
    window.DelBtn->click();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("cannot begin")});
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Error);
    QVERIFY(window.DelBtn->isEnabled());
    QVERIFY(!r.backend->statements().contains(QStringLiteral(" drop table tempHZBBEX    ")));

    r.dm->mast.setStatementHook({});
    window.DelBtn->click();
    QCOMPARE(prompts.texts().last(), QStringLiteral("清除完成!"));
}

QTEST_MAIN(TestBbexCleanup)
#include "test_bbex_cleanup.moc"
