// The program's dispatch table against the main window's menu: a misspelt key would leave
// its entry disabled without a word.
#include "dispatch_table.h"

#include "app/function_window.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QAction>
#include <QSet>
#include <QtTest>

class TestDispatchTable : public QObject {
    Q_OBJECT

private slots:
    void keysAreMenuEntries();
    void entriesWithWindow();
};

void TestDispatchTable::keysAreMenuEntries()
{
    TestAccountSet as;
    const DispatchTable table = buildDispatchTable(as.dm());
    QStringList functions = TMainForm::menuEntryNames();
    functions.removeAll(QStringLiteral("CloseMenu"));   // the main window's own
    QStringList keys = table.keys();
    keys.sort();
    functions.sort();
    QCOMPARE(keys, functions);
}

void TestDispatchTable::entriesWithWindow()
{
    TestAccountSet as;
    ScriptedPrompts prompts;
    const DispatchTable table = buildDispatchTable(as.dm());
    TMainForm main(as.dm(), table);
    int windows = 0;
    for (auto it = table.begin(); it != table.end(); ++it) {
        QAction* action = main.action(it.key());
        QVERIFY2(action, qPrintable(it.key()));
        QCOMPARE(action->isEnabled(), bool(it.value()));
        if (!it.value())
            continue;
        // A function window of the kit, owned by the window that asked for it.
        std::unique_ptr<QDialog> window(it.value()(&main));
        QVERIFY2(qobject_cast<FunctionWindow*>(window.get()), qPrintable(it.key()));
        QCOMPARE(window->parentWidget(), &main);
        ++windows;
    }
    QVERIFY(windows >= 5);
    QVERIFY(prompts.boxes.isEmpty());
}

QTEST_MAIN(TestDispatchTable)
#include "test_dispatch_table.moc"
