#include "app/busy_animation.h"
#include "app/step_form.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QtTest>

class TestStepForm : public QObject {
    Q_OBJECT
private slots:
    void drivenThroughTheProgressSink_data();
    void drivenThroughTheProgressSink();
    void oneSharedWindowPerPass();
    void freedWithItsOwner();
    void userCannotCloseIt();
    void animationLoops();
};


void TestStepForm::drivenThroughTheProgressSink_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("position");
    QTest::newRow("part way") << 10 << 3 << 3;
    QTest::newRow("to the end") << 4 << 4 << 4;
    QTest::newRow("never past the end") << 2 << 5 << 2;
    QTest::newRow("no steps") << 0 << 1 << 0;
}

void TestStepForm::drivenThroughTheProgressSink()
{
    QFETCH(int, maximum);
    QFETCH(int, steps);
    QFETCH(int, position);
    QDialog owner;
    StepFormPass pass(&owner);
    ProgressSink& sink = *pass.form();
    sink.setLabel(QStringLiteral("正在重建索引 KRHZD"));
    sink.setRange(0, maximum);
    sink.setPosition(0);
    for (int i = 0; i < steps; ++i)
        sink.step();
    QCOMPARE(pass->RebuildBar->value(), position);
    QCOMPARE(pass->RebuildLabel->text(), QStringLiteral("正在重建索引 KRHZD"));
}

void TestStepForm::oneSharedWindowPerPass()
{
    QDialog owner;
    QCOMPARE(StepForm, nullptr);
    QPointer<TStepForm> first;
    {
        StepFormPass pass(&owner);
        first = pass.form();
        QCOMPARE(StepForm, pass.form());
        pass->step();
    }
    QCOMPARE(StepForm, nullptr);
    QVERIFY(first.isNull());
    // A second pass gets a fresh window at its starting values.
    StepFormPass again(&owner);
    QCOMPARE(again->RebuildBar->value(), 0);
    // Showing another frees the one before.
    QPointer<TStepForm> before = StepForm;
    TStepForm* next = ShowStepForm(&owner);
    QVERIFY(before.isNull());
    QCOMPARE(StepForm, next);
}

void TestStepForm::freedWithItsOwner()
{
    auto* owner = new QDialog;
    ShowStepForm(owner);
    QVERIFY(StepForm);
    delete owner;
    QCOMPARE(StepForm, nullptr);
    FreeStepForm(); // nothing left to free
}

void TestStepForm::userCannotCloseIt()
{
    QDialog owner;
    StepFormPass pass(&owner);
    pass->close();
    QVERIFY(pass->isVisible());
    QTest::keyClick(pass.form(), Qt::Key_Escape);
    QVERIFY(pass->isVisible());
}

void TestStepForm::animationLoops()
{
    BusyAnimation a;
    QCOMPARE(a.frame(), 0);
    for (int i = 0; i < BusyAnimation::FrameCount; ++i)
        a.advance();
    QCOMPARE(a.frame(), 0);
    a.advance();
    QCOMPARE(a.frame(), 1);
    a.resize(272, 60);
    // Every frame paints something different from the one before.
    QImage previous;
    for (int i = 0; i < 4; ++i) {
        const QImage img = a.grab().toImage();
        if (!previous.isNull())
            QVERIFY(img != previous);
        previous = img;
        a.advance();
    }
    a.stop();
    QVERIFY(!a.isPlaying());
}

QTEST_MAIN(TestStepForm)
#include "test_step_form.moc"
