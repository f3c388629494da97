#include "app/report_memo.h"
#include "app/function_window.h"
#include "app/system_year_choice.h"
#include "data_module/database_error.h"
#include "support/scripted_prompts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

class TestSharedWidgets : public QObject {
    Q_OBJECT
private slots:
    void yearChoice_data();
    void yearChoice();
    void guardRefusesToClose_data();
    void guardRefusesToClose();
    void guardRefusesNestedRun();
    void guardShowsUncaughtDatabaseError();
    void memoLines();
};

void TestSharedWidgets::yearChoice_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("checkName");
    QTest::addColumn<QString>("checkCaption");
    QTest::addColumn<QString>("groupName");
    QTest::addColumn<QString>("spinName");
    QTest::newRow("report management") << "BB" << "BBCheckBox" << "报表管理" << "BBGroup" << "BBYearSpin";
    QTest::newRow("report summary") << "HZ" << "HZCheckBox" << "报表汇总" << "HZGroup" << "HZYearSpin";
    QTest::newRow("year alone") << "" << "" << "" << "YearGroup" << "YearSpin";
}

void TestSharedWidgets::yearChoice()
{
    QFETCH(QString, system);
    QFETCH(QString, checkName);
    QFETCH(QString, checkCaption);
    QFETCH(QString, groupName);
    QFETCH(QString, spinName);

    QWidget window;
    auto* choice = new SystemYearChoice(system, &window);
    auto* check = window.findChild<QCheckBox*>(checkName);
    if (checkName.isEmpty()) {
        QVERIFY(window.findChildren<QCheckBox*>().isEmpty());
    } else {
        QVERIFY(check);
        QCOMPARE(check->text(), checkCaption);
        QVERIFY(check->isChecked());
    }
    auto* group = window.findChild<QGroupBox*>(groupName);
    QVERIFY(group);
    const QList<QRadioButton*> items = group->findChildren<QRadioButton*>();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0)->text(), QStringLiteral("当前年度"));
    QCOMPARE(items.at(1)->text(), QStringLiteral("历史年度"));
    QVERIFY(items.at(0)->isChecked());
    auto* spin = window.findChild<QSpinBox*>(spinName);
    QVERIFY(spin);
    QCOMPARE(spin->minimum(), 1990);
    QCOMPARE(spin->maximum(), 2050);
    QCOMPARE(spin->value(), 2002);
    QVERIFY(!spin->isEnabled());
    QCOMPARE(choice->yearSuffix(), QString());

    QList<int> clicks;
    connect(choice, &SystemYearChoice::groupClicked, this, [&clicks](int item) { clicks << item; });
    window.show();
    QTest::mouseClick(items.at(1), Qt::LeftButton);
    QVERIFY(spin->isEnabled());
    QCOMPARE(choice->yearSuffix(), QStringLiteral("2002"));
    spin->setValue(1995);
    QCOMPARE(choice->yearSuffix(), QStringLiteral("1995"));
    QTest::mouseClick(items.at(0), Qt::LeftButton);
    QVERIFY(!spin->isEnabled());
    QCOMPARE(choice->yearSuffix(), QString());
    QCOMPARE(clicks, (QList<int>{1, 0}));

    if (check) {
        check->setChecked(false);
        QVERIFY(!choice->isChosen());
    } else {
        QVERIFY(choice->isChosen());
    }
}

void TestSharedWidgets::guardRefusesToClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("title bar") << "close";
    QTest::newRow("escape") << "escape";
    QTest::newRow("close button") << "button";
}

void TestSharedWidgets::guardRefusesToClose()
{
    QFETCH(QString, how);
    FunctionWindow window;
    auto* run = new QPushButton(QStringLiteral("run"), &window);
    auto* closeButton = new QPushButton(QStringLiteral("close"), &window);
    auto* option = new QCheckBox(&window);
    option->setEnabled(false); // disabled before the run: stays so after it
    QObject::connect(closeButton, &QPushButton::clicked, &window, &QDialog::reject);
    window.guard().addRunWidget(run);
    window.guard().addRunWidget(option);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto tryClose = [&] {
        if (how == QLatin1String("close"))
            window.close();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            closeButton->click();
    };

    bool ran = false;
    window.runGuarded([&] {
        ran = true;
        QVERIFY(window.running());
        QVERIFY(!run->isEnabled());
        tryClose();
        QVERIFY(window.isVisible());
    });
    QVERIFY(ran);
    QVERIFY(!window.running());
    QVERIFY(run->isEnabled());
    QVERIFY(!option->isEnabled());
    tryClose();
    QVERIFY(!window.isVisible());
}

void TestSharedWidgets::guardRefusesNestedRun()
{
    FunctionWindow window;
    int outer = 0;
    int inner = 0;
    window.runGuarded([&] {
        ++outer;
        window.runGuarded([&] { ++inner; });
    });
    window.runGuarded([&] { ++outer; });
    QCOMPARE(outer, 2);
    QCOMPARE(inner, 0);
}

void TestSharedWidgets::guardShowsUncaughtDatabaseError()
{
    ScriptedPrompts prompts;
    FunctionWindow window;
    auto* run = new QPushButton(&window);
    window.guard().addRunWidget(run);
    window.runGuarded([] { throw DatabaseError(QStringLiteral("cannot begin a transaction")); });
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("cannot begin a transaction")});
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Error);
    QVERIFY(!window.running());
    QVERIFY(run->isEnabled());
}

void TestSharedWidgets::memoLines()
{
    ReportMemo memo;
    QVERIFY(memo.isReadOnly());
    QCOMPARE(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo.lines(), QStringList());
    ReportSink& sink = memo;
    sink.addLine(QStringLiteral("【10:00:00】 开始"));
    sink.addLine(QString());
    sink.addLine(QStringLiteral("   KRBBZD记录数：3"));
    QCOMPARE(memo.lines(), (QStringList{QStringLiteral("【10:00:00】 开始"), QString(), QStringLiteral("   KRBBZD记录数：3")}));
    sink.clear();
    QCOMPARE(memo.lines(), QStringList());
    QCOMPARE(reportStamp(QTime(7, 5, 9)), QStringLiteral("【07:05:09】 "));
    QCOMPARE(reportStamp(QTime(23, 59, 0)), QStringLiteral("【23:59:00】 "));
}

QTEST_MAIN(TestSharedWidgets)
#include "test_shared_widgets.moc"
