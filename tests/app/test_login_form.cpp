#include "app/connection.h"
#include "app/login_form.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "support/scripted_prompts.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Rig {
    QTemporaryDir home;
    ScriptedPrompts prompts;
    TEndYearDataMod dm{std::make_unique<RecordingBackend>()};
    std::unique_ptr<TLoginForm> form;
    QStringList attempts;
    QStringList results; // answers of the connector, in turn; empty: success

    Rig() { qputenv("VOSTREL_HOME", home.path().toLocal8Bit()); }
    void jwcw(const QString& text)
    {
        QFile f(home.filePath(QStringLiteral("jwcw.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QStringEncoder gbk("GB18030");
        f.write(gbk(text));
    }
    TLoginForm& show(bool fakeConnector = true)
    {
        form = std::make_unique<TLoginForm>(dm);
        if (fakeConnector)
            form->setConnector([this](const QString& user, const QString& password, const QString& file,
                                   const QString& set, bool fromLogin) {
                attempts << QStringList{user, password, file, set, fromLogin ? "true" : "false"}.join(u'|');
                return results.isEmpty() ? QString() : results.takeFirst();
            });
        form->show();
        QApplication::setActiveWindow(form.get());
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(form.get());
        return *form;
    }
    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < form->ztmc->count(); ++i)
            out << form->ztmc->itemText(i);
        return out;
    }
};

const QString Sample = QStringLiteral(
    "[sqlca12]\r\nDBMS=ODBC\r\nztname=分部\r\n"
    "[BBLAST]\r\nztbh=12\r\nuser=9999\r\n"
    "[sqlca1]\r\nDBMS=ODBC\r\nztname=总部\r\n"
    "[SQLCA3]\r\nztname=大写\r\n"
    "[sqlca]\r\n"
    "[other]\r\nztname=x\r\n");
}

class TestLoginForm : public QObject {
    Q_OBJECT
private slots:
    void entriesFromTheSettingsFile();
    void lastAccountSetSelected_data();
    void lastAccountSetSelected();
    void typedCharactersDiscarded();
    void enterMovesTheFocusAndConnects();
    void failureKeepsTheWindowOpen();
    void missingSettingsFile();
};


void TestLoginForm::entriesFromTheSettingsFile()
{
    Rig rig;
    rig.jwcw(Sample);
    TLoginForm& f = rig.show();
    // Section names in file order in the hidden list.
    QStringList sections;
    for (int i = 0; i < f.ListBox1->count(); ++i)
        sections << f.ListBox1->item(i)->text();
    QCOMPARE(sections, (QStringList{"sqlca12", "BBLAST", "sqlca1", "SQLCA3", "sqlca", "other"}));
    // Sorted entries; SQLCA3 and BBLAST are not account sets; plain "sqlca" is 000.
    QCOMPARE(rig.entries(), (QStringList{QStringLiteral("000    演示"), QStringLiteral("001    总部"),
                                QStringLiteral("012    分部")}));
    QCOMPARE(f.ztmc->currentText(), QStringLiteral("012    分部"));
    QCOMPARE(f.Edit1->text(), QStringLiteral("9999"));
    QCOMPARE(f.Edit2->text(), QString());
    QCOMPARE(QApplication::focusWidget(), f.Edit1);
    QCOMPARE(shortDateFormat(), QStringLiteral("yyyyMMdd"));
}

void TestLoginForm::lastAccountSetSelected_data()
{
    QTest::addColumn<QString>("sections");
    QTest::addColumn<QString>("current");
    QTest::newRow("ztbh 1 selects sqlca1") << "[sqlca1]\nztname=A\n[BBLAST]\nztbh=1\n" << QStringLiteral("001    A");
    QTest::newRow("ztbh 001 does not select sqlca1") << "[sqlca1]\nztname=A\n[BBLAST]\nztbh=001\n" << "";
    QTest::newRow("no BBLAST") << "[sqlca1]\nztname=A\n" << "";
    QTest::newRow("four digits unpadded") << "[sqlca1234]\nztname=B\n[BBLAST]\nztbh=1234\n"
                                          << QStringLiteral("1234    B");
    QTest::newRow("empty ztbh selects plain sqlca") << "[sqlca]\nztname=C\n[BBLAST]\nztbh=\n"
                                                    << QStringLiteral("000    C");
}

void TestLoginForm::lastAccountSetSelected()
{
    QFETCH(QString, sections);
    QFETCH(QString, current);
    Rig rig;
    rig.jwcw(sections);
    TLoginForm& f = rig.show();
    QCOMPARE(f.ztmc->currentText(), current);
    QCOMPARE(f.Edit1->text(), QString());
}

void TestLoginForm::typedCharactersDiscarded()
{
    Rig rig;
    rig.jwcw(Sample);
    TLoginForm& f = rig.show();
    f.ztmc->setFocus();
    QTest::keyClicks(f.ztmc, QStringLiteral("abc1"));
    QTest::keyClick(f.ztmc, Qt::Key_Backspace);
    QCOMPARE(f.ztmc->currentText(), QStringLiteral("012    分部"));
    // Choosing from the list is the way to change it.
    f.ztmc->setCurrentIndex(1);
    QCOMPARE(f.ztmc->currentText(), QStringLiteral("001    总部"));
}

void TestLoginForm::enterMovesTheFocusAndConnects()
{
    Rig rig;
    rig.jwcw(Sample);
    TLoginForm& f = rig.show();
    f.ztmc->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), f.Edit1);
    // Entering a field selects its text, so typing replaces the last user.
    QTest::keyClicks(f.Edit1, QStringLiteral("01"));
    QTest::keyClick(f.Edit1, Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), f.Edit2);
    QVERIFY(rig.attempts.isEmpty());
    QTest::keyClicks(f.Edit2, QStringLiteral("p,w"));
    QTest::keyClick(f.Edit2, Qt::Key_Return);
    QCOMPARE(rig.attempts, QStringList{QStringLiteral("01|p,w|jwcw.ini|012    分部|true")});
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QVERIFY(!f.isVisible());
}

void TestLoginForm::failureKeepsTheWindowOpen()
{
    Rig rig;
    rig.jwcw(Sample);
    rig.results << QString::fromUtf16(SecondStepFailed);
    TLoginForm& f = rig.show();
    f.Edit2->setText(QStringLiteral("bad"));
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    QCOMPARE(rig.prompts.boxes.size(), 1);
    QCOMPARE(rig.prompts.boxes[0].text, QString::fromUtf16(SecondStepFailed));
    QCOMPARE(rig.prompts.boxes[0].caption, QStringLiteral("Warning"));
    QCOMPARE(rig.prompts.boxes[0].icon, PromptIcon::Warning);
    QCOMPARE(rig.prompts.boxes[0].buttons, PromptButtons::Ok);
    QVERIFY(f.isVisible());
    QCOMPARE(f.Edit2->text(), QStringLiteral("bad"));
    // Another try succeeds.
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    QCOMPARE(rig.attempts.size(), 2);
    QCOMPARE(f.result(), int(QDialog::Accepted));
}

void TestLoginForm::missingSettingsFile()
{
    Rig rig;
    // The window's own connection: an empty selection fails the first step.
    TLoginForm& f = rig.show(false);
    QCOMPARE(rig.prompts.boxes.size(), 1);
    QCOMPARE(rig.prompts.boxes[0].text, QStringLiteral("不能找到配置文件  jwcw.ini!"));
    QCOMPARE(rig.prompts.boxes[0].caption, QStringLiteral("错误 "));
    QCOMPARE(rig.prompts.boxes[0].icon, PromptIcon::Error);
    QCOMPARE(rig.prompts.boxes[0].buttons, PromptButtons::Ok);
    QCOMPARE(f.ztmc->count(), 0);
    QCOMPARE(f.ztmc->currentText(), QString());
    QCOMPARE(f.Edit1->text(), QString());
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    QCOMPARE(rig.prompts.boxes.size(), 2);
    QCOMPARE(rig.prompts.boxes[1].text, QString::fromUtf16(FirstStepFailed));
    QVERIFY(f.isVisible());
    QVERIFY(!rig.dm.mast.connected());
}


QTEST_MAIN(TestLoginForm)
#include "test_login_form.moc"
