#include "app/application.h"
#include "app/startup.h"
#include "data_module/database_error.h"
#include "platform/single_instance.h"
#include "support/scripted_prompts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QTemporaryDir>
#include <QtTest>

// Start-up: the command line, the fallback to the login window, the single-instance test,
// and the application object (its title, the Chinese standard texts, the error box).

namespace {
// Throws from its event handler, as a click handler whose statement fails would.
class Thrower : public QObject {
public:
    enum Kind { Database, Other };
    explicit Thrower(Kind kind) : m_kind(kind) {}
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (m_kind == Database)
            throw DatabaseError(QStringLiteral("Table 'KRBBZD' not found"));
        throw std::runtime_error("out of range");
    }

private:
    Kind m_kind;
};
}

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void splitArgument_data();
    void splitArgument();
    void branches_data();
    void branches();
    void secondStartIsRefused();
    void whenShownWaitsForTheWindow();
    void applicationTitleAndTexts();
    void uncaughtErrorsReachTheErrorBox();
};

void TestStartup::splitArgument_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("userCode");
    QTest::addColumn<QString>("password");
    QTest::newRow("user and password") << "9999,demo" << "9999" << "demo";
    QTest::newRow("no comma: all password") << "demo" << "" << "demo";
    QTest::newRow("two commas: rest is the password") << "9999,de,mo" << "9999" << "de,mo";
    QTest::newRow("a single comma") << "," << "" << "";
    QTest::newRow("nothing trimmed") << " 99 , pw " << " 99 " << " pw ";
    QTest::newRow("empty") << "" << "" << "";
}

void TestStartup::splitArgument()
{
    QFETCH(QString, argument);
    QFETCH(QString, userCode);
    QFETCH(QString, password);
    const LoginArgument a = splitLoginArgument(argument);
    QCOMPARE(a.userCode, userCode);
    QCOMPARE(a.password, password);
}

void TestStartup::branches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("autoSucceeds");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("mainLoop");

    QTest::newRow("no argument, login OK") << QStringList{} << false << true << QStringList{"login"} << true;
    QTest::newRow("no argument, login cancelled") << QStringList{} << false << false << QStringList{"login"} << false;
    QTest::newRow("one argument, connected") << QStringList{"9999,demo"} << true << false
                                             << QStringList{"auto 9999|demo"} << true;
    QTest::newRow("one argument, failed, login OK")
        << QStringList{"9999,demo"} << false << true << QStringList{"auto 9999|demo", "login"} << true;
    QTest::newRow("one argument, failed, login cancelled")
        << QStringList{"9999,demo"} << false << false << QStringList{"auto 9999|demo", "login"} << false;
    QTest::newRow("a single comma is still tried") << QStringList{","} << false << false
                                                   << QStringList{"auto |", "login"} << false;
    QTest::newRow("two arguments end silently") << QStringList{"9999,", "demo"} << true << true << QStringList{}
                                                << false;
    QTest::newRow("three arguments") << QStringList{"a", "b", "c"} << true << true << QStringList{} << false;
}

void TestStartup::branches()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, autoSucceeds);
    QFETCH(bool, loginOk);
    QFETCH(QStringList, calls);
    QFETCH(bool, mainLoop);
    QStringList made;
    StartupSteps steps;
    steps.autoConnect = [&](const QString& user, const QString& password) {
        made << QStringLiteral("auto ") + user + QLatin1Char('|') + password;
        return autoSucceeds ? QString() : QStringLiteral("第一次连接失败！用户名称或密码输入错误!");
    };
    steps.login = [&] {
        made << QStringLiteral("login");
        return loginOk;
    };
    ScriptedPrompts prompts;
    QCOMPARE(ConnectAtStart(arguments, steps), mainLoop);
    QCOMPARE(made, calls);
    // The automatic connection's error is never shown.
    QVERIFY(prompts.boxes.isEmpty());
}

void TestStartup::secondStartIsRefused()
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    SingleInstanceGuard first(QStringLiteral("tool"), dir.path());
    QVERIFY(!refuseSecondStart(first));
    QVERIFY(prompts.boxes.isEmpty());

    SingleInstanceGuard second(QStringLiteral("tool"), dir.path());
    QVERIFY(refuseSecondStart(second));
    QCOMPARE(prompts.boxes.size(), 1);
    QCOMPARE(prompts.boxes[0].text, QStringLiteral("系统已运行!"));
    QCOMPARE(prompts.boxes[0].caption, QStringLiteral("Vostrel报表系统数据优化工具"));
    QCOMPARE(prompts.boxes[0].buttons, PromptButtons::Ok);
    // The first instance is left as it was.
    QVERIFY(first.held());
}

void TestStartup::whenShownWaitsForTheWindow()
{
    QWidget window;
    int calls = 0;
    whenShown(window, [&] { ++calls; });
    QTest::qWait(100);
    QCOMPARE(calls, 0);  // hidden: not yet
    window.show();
    QTRY_COMPARE(calls, 1);
    window.hide();
    window.show();
    QTest::qWait(100);
    QCOMPARE(calls, 1);  // once only
}

void TestStartup::applicationTitleAndTexts()
{
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Vostrel报表系统数据优化工具"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Vostrel报表系统数据优化工具"));
    // Qt's standard buttons read in Chinese.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    QVERIFY(QCoreApplication::translate("QPlatformTheme", "&Yes").startsWith(QStringLiteral("是")));
    QVERIFY(QCoreApplication::translate("QPlatformTheme", "&No").startsWith(QStringLiteral("否")));
}

void TestStartup::uncaughtErrorsReachTheErrorBox()
{
    ScriptedPrompts prompts;
    Thrower database(Thrower::Database);
    Thrower other(Thrower::Other);
    QEvent e1(QEvent::User);
    QCoreApplication::sendEvent(&database, &e1);
    QEvent e2(QEvent::User);
    QCoreApplication::sendEvent(&other, &e2);
    QCOMPARE(prompts.texts(), (QStringList{"Table 'KRBBZD' not found", "out of range"}));
    QCOMPARE(prompts.boxes[0].icon, PromptIcon::Error);
    QCOMPARE(prompts.boxes[0].caption, QStringLiteral("Vostrel报表系统数据优化工具"));
    QCOMPARE(prompts.boxes[1].icon, PromptIcon::Error);
}

// The program's own application object instead of QtTest's.
int main(int argc, char** argv)
{
    VostrelApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_startup.moc"
