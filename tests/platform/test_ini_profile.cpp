#include "platform/ini_profile.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder(text);
}
QByteArray utf8Bom(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }
QByteArray utf16Bom(const QString& text, bool littleEndian)
{
    QStringEncoder encoder(littleEndian ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
    return QByteArray(littleEndian ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder(text));
}
QByteArray encoded(const QString& text, const QString& encoding)
{
    if (encoding == u"gbk")
        return gbk(text);
    if (encoding == u"utf-8")
        return text.toUtf8();
    return utf16Bom(text, encoding == u"utf-16le");
}
}

class TestIniProfile : public QObject {
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void sectionsInFileOrder_data();
    void sectionsInFileOrder();
    void missingFileHasNoSections();
    void overLongLineIsCut();
    void largeFileReadsCompletely_data();
    void largeFileReadsCompletely();
};

void TestIniProfile::values_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString jwcw = QStringLiteral("[sqlca1]\r\nDBMS=ODBC\r\nztname=总部\r\n[BBLAST]\r\nztbh=1\r\n");
    QTest::newRow("gbk") << gbk(jwcw) << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("utf-8 with bom") << utf8Bom(jwcw) << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("utf-8 without bom") << jwcw.toUtf8() << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("utf-16 little endian") << utf16Bom(jwcw, true) << "sqlca1" << "ztname" << QStringLiteral("总部");
    QTest::newRow("utf-16 big endian") << utf16Bom(jwcw, false) << "BBLAST" << "ztbh" << "1";
    QTest::newRow("bom does not join the first section name") << utf8Bom(jwcw) << "SQLCA1" << "dbms" << "ODBC";
    QTest::newRow("utf-16 bom does not join the first section name") << utf16Bom(jwcw, true) << "SQLCA1" << "dbms" << "ODBC";
    QTest::newRow("utf-16 cut inside a character keeps earlier values")
        << utf16Bom(QStringLiteral("[a]\nk=1\nztname=总"), true).chopped(1) << "a" << "k" << "1";
    QTest::newRow("section and key without regard to case")
        << QByteArray("[SqlCa12]\nDataBase=demo\n") << "sqlca12" << "DATABASE" << "demo";
    QTest::newRow("blanks around value and key dropped")
        << QByteArray("[a]\n  ServerName  =   srv one   \n") << "a" << "servername" << "srv one";
    QTest::newRow("blanks around section name dropped") << QByteArray("[ sqlca3 ]\nk=v\n") << "sqlca3" << "k" << "v";
    QTest::newRow("enclosing quotes dropped") << QByteArray("[a]\nk=\" x \"\n") << "a" << "k" << " x ";
    QTest::newRow("single quote kept") << QByteArray("[a]\nk='x\n") << "a" << "k" << "'x";
    QTest::newRow("value with equals sign") << QByteArray("[a]\nk=x=y\n") << "a" << "k" << "x=y";
    QTest::newRow("empty value") << QByteArray("[a]\nk=\n") << "a" << "k" << "";
    QTest::newRow("first of two keys") << QByteArray("[a]\nk=1\nK=2\n") << "a" << "k" << "1";
    QTest::newRow("repeated section adds keys") << QByteArray("[a]\nx=1\n[b]\n[A]\ny=2\n") << "a" << "y" << "2";
    QTest::newRow("missing key gives fallback") << QByteArray("[a]\nk=1\n") << "a" << "other" << "<fallback>";
    QTest::newRow("missing section gives fallback") << QByteArray("[a]\nk=1\n") << "b" << "k" << "<fallback>";
    QTest::newRow("key before any section ignored") << QByteArray("k=1\n[a]\n") << "a" << "k" << "<fallback>";
    QTest::newRow("key without equals sign has no value")
        << QByteArray("[a]\njustakey\nk=1\n") << "a" << "justakey" << "<fallback>";
    QTest::newRow("comment line") << QByteArray("[a]\n;k=1\nk=2\n") << "a" << "k" << "2";
    QTest::newRow("unclosed section header leaves keys where they were")
        << QByteArray("[a]\n[broken\nk=1\n") << "a" << "k" << "1";
    QTest::newRow("old mac line ends") << QByteArray("[a]\rk=1\rj=2\r") << "a" << "j" << "2";
    QTest::newRow("truncated without line end") << QByteArray("[a]\nDBMS=ODB") << "a" << "DBMS" << "ODB";
    QTest::newRow("truncated inside a gbk character keeps earlier values")
        << gbk(QStringLiteral("[a]\nk=1\nztname=总")).chopped(1) << "a" << "k" << "1";
    QTest::newRow("nul bytes") << QByteArray("[a]\nk=1\0\0\nj=2\n", 15) << "a" << "j" << "2";
}

void TestIniProfile::values()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniProfile ini = IniProfile::fromBytes(content);
    QCOMPARE(ini.value(section, key, QStringLiteral("<fallback>")), expected);
}

void TestIniProfile::sectionsInFileOrder_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("file order, not sorted")
        << QByteArray("[sqlca12]\n[BBLAST]\n[sqlca1]\n") << QStringList{"sqlca12", "BBLAST", "sqlca1"};
    QTest::newRow("repeated name listed once") << QByteArray("[a]\n[b]\n[A]\n") << QStringList{"a", "b"};
    QTest::newRow("gbk section name") << gbk(QStringLiteral("[帐套]\nk=v\n")) << QStringList{QStringLiteral("帐套")};
    QTest::newRow("unclosed header is no section") << QByteArray("[a]\n[b\n[c]\n") << QStringList{"a", "c"};
    QTest::newRow("text after the bracket") << QByteArray("[a] tail\n") << QStringList{"a"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 151 + 7) % 256));
    QTest::newRow("binary bytes give no crash")
        << binary + QByteArray("\n\n[z]\nk=v\n") << QStringList{"z"};
}

void TestIniProfile::sectionsInFileOrder()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    const QStringList got = IniProfile::fromBytes(content).sections();
    // A binary prefix may decode into something that looks like a header; only the
    // sections named in the expectation are required, in their order, at the end.
    if (QByteArray(QTest::currentDataTag()).startsWith("binary")) {
        QVERIFY(got.size() >= expected.size());
        QCOMPARE(got.mid(got.size() - expected.size()), expected);
        return;
    }
    QCOMPARE(got, expected);
}

void TestIniProfile::missingFileHasNoSections()
{
    QTemporaryDir dir;
    const IniProfile ini = IniProfile::load(dir.filePath(QStringLiteral("jwcw.ini")));
    QVERIFY(ini.sections().isEmpty());
    QCOMPARE(ini.value(QStringLiteral("BBLAST"), QStringLiteral("user"), QStringLiteral("x")), QStringLiteral("x"));
}


void TestIniProfile::overLongLineIsCut()
{
    QByteArray content("[a]\nlong=");
    content.append(QByteArray(IniProfile::MaxLine * 3, 'x'));
    content.append("\n[b]\nk=v\n");
    const IniProfile ini = IniProfile::fromBytes(content);
    QCOMPARE(ini.sections(), (QStringList{"a", "b"}));
    QCOMPARE(ini.value(QStringLiteral("b"), QStringLiteral("k")), QStringLiteral("v"));
    QCOMPARE(ini.value(QStringLiteral("a"), QStringLiteral("long")).size(), IniProfile::MaxLine - 5);
}

// A jwcw.ini of 10,000 account sets, the last-login section at its end and one value
// longer than a screen line, in every encoding the reader takes.
void TestIniProfile::largeFileReadsCompletely_data()
{
    QTest::addColumn<QString>("encoding");
    for (const char* e : {"gbk", "utf-8", "utf-16le", "utf-16be"})
        QTest::newRow(e) << QString::fromLatin1(e);
}

void TestIniProfile::largeFileReadsCompletely()
{
    QFETCH(QString, encoding);
    QString text;
    for (int n = 1; n <= 10000; ++n)
        text += QStringLiteral("[sqlca%1]\r\nDBMS=ODBC\r\nDataBase=CW%1\r\nZtbh=%2\r\nztname=分公司%1\r\n")
                    .arg(n)
                    .arg(n, 3, 10, QLatin1Char('0'));
    const QString longValue(200000, u'长');
    text += QStringLiteral("[note]\r\ntext=") + longValue + QStringLiteral("\r\n[BBLAST]\r\nztbh=9876\r\nuser=9999\r\n");

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("jwcw.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(encoded(text, encoding));
    f.close();

    const IniProfile ini = IniProfile::load(path);
    const QStringList sections = ini.sections();
    QCOMPARE(sections.size(), 10002);
    QCOMPARE(sections.first(), QStringLiteral("sqlca1"));
    QCOMPARE(sections.last(), QStringLiteral("BBLAST"));
    QCOMPARE(ini.value(QStringLiteral("BBLAST"), QStringLiteral("user")), QStringLiteral("9999"));
    QCOMPARE(ini.value(QStringLiteral("bblast"), QStringLiteral("ZTBH")), QStringLiteral("9876"));
    QCOMPARE(ini.value(QStringLiteral("SQLCA10000"), QStringLiteral("ztname")), QStringLiteral("分公司10000"));
    QCOMPARE(ini.value(QStringLiteral("sqlca5000"), QStringLiteral("Ztbh")), QStringLiteral("5000"));
    QCOMPARE(ini.value(QStringLiteral("note"), QStringLiteral("text")), longValue);
}

QTEST_GUILESS_MAIN(TestIniProfile)
#include "test_ini_profile.moc"
