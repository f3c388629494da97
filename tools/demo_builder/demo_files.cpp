// The settings files of an account-set folder.
#include "demo_builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

namespace demo {

namespace {
void writeBytes(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        throw BuildError(QStringLiteral("cannot create folder %1").arg(info.absolutePath()));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw BuildError(QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
}
} // namespace

QString iniText(const QList<IniSection>& sections)
{
    QString text;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += QLatin1Char('[') + sections[i].name + QStringLiteral("]\n");
        for (const auto& [key, value] : sections[i].entries)
            text += key + QLatin1Char('=') + value + QLatin1Char('\n');
    }
    return text;
}

void writeGbkText(const QString& path, const QString& text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QStringEncoder gbk("GB18030");
    if (!gbk.isValid())
        throw BuildError(QStringLiteral("no GB18030 encoder"));
    const QByteArray bytes = gbk.encode(crlf);
    if (gbk.hasError())
        throw BuildError(QStringLiteral("text for %1 cannot be written in GBK").arg(path));
    writeBytes(path, bytes);
}

void writeGbkIni(const QString& path, const QList<IniSection>& sections)
{
    writeGbkText(path, iniText(sections));
}

void writeOdbcIni(const QString& path, const QList<QPair<QString, QString>>& dataSources)
{
    QString text;
    for (const auto& [dsn, file] : dataSources) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QStringLiteral("[%1]\nDriver=SQLite3\nDatabase=%2\nTimeout=5000\n")
                    .arg(dsn, QFileInfo(file).absoluteFilePath());
    }
    writeBytes(path, text.toUtf8());
}

void writeOdbcIni(const QString& path, const QString& dsn, const QString& dbFile)
{
    writeOdbcIni(path, QList<QPair<QString, QString>>{{dsn, dbFile}});
}

QList<IniSection> demoJwcwSections(const QString& dsn)
{
    auto accountSet = [&](int number, const QString& ztbh, const QString& name) {
        return IniSection{QStringLiteral("sqlca%1").arg(number),
            {{"DBMS", "ODBC"}, {"DataBase", dsn}, {"ServerName", ""}, {"Ztbh", ztbh},
                {"ztname", name}}};
    };
    return {accountSet(1, QStringLiteral("001"), QStringLiteral("演示")),
        accountSet(2, QStringLiteral("002"), QStringLiteral("分公司")),
        IniSection{QStringLiteral("BBLAST"), {{"ztbh", "1"}, {"user", "9999"}}}};
}

void writeJwcwIni(const QString& folder, const QList<IniSection>& sections)
{
    writeGbkIni(QDir(folder).filePath(QStringLiteral("jwcw.ini")), sections);
}

QString autoStartFileName(const QDate& day)
{
    return day.toString(QStringLiteral("MMdd")) + QStringLiteral("log");
}

QString writeAutoStartFile(const QString& folder, const QDate& day, const QString& dsn,
                           const QString& ztbh, const QString& dbms, const QString& serverName)
{
    const QString path = QDir(folder).filePath(autoStartFileName(day));
    writeGbkIni(path, {IniSection{QStringLiteral("sqlca"),
                          {{"DBMS", dbms}, {"DataBase", dsn}, {"ServerName", serverName},
                              {"Ztbh", ztbh}}}});
    return path;
}

QList<IniSection> demoKolvarinSections()
{
    QList<IniSection> sections;
    for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
        const QString list = prefix == QLatin1String("KR") ? QStringLiteral("BB") : QStringLiteral("HZ");
        int n = 0;
        for (const QString& base : reportBases(prefix))
            sections << IniSection{list + QString::number(++n),
                {{"IndexType", ""}, {"IndexName", keyIndexName(prefix, base)},
                    {"TableName", prefix + base},
                    {"Columns", QLatin1Char('(') + keyIndexColumns(prefix, base).join(QLatin1Char(','))
                                    + QLatin1Char(')')}}};
    }
    // The reader drops one pair of enclosing quotes: "''" stands for the empty literal ''.
    const QList<QStringList> defaults{
        {"DefBB", "KRDYZD", "DYZD_DATA", "0"}, {"DefBB", "KRDYZD", "DYZD_SJ", "\"''\""},
        {"DefBB", "KRLZD", "LZD_MC", "\"''\""}, {"DefBB", "KRBBEX", "BBEX_EXI1", "0"},
        {"DefHZ", "HZDYZD", "DYZD_DATA", "0"}, {"DefHZ", "HZDWSJ", "DYZD_DATA", "0"},
        {"DefHZ", "HZHZSJ", "DYZD_DATA", "0"}, {"DefHZ", "HZDWSJ", "DYZD_SJ", "\"''\""},
        // A column the table does not have: the one entry of the demo that fails.
        {"DefHZ", "HZDWSJ", "DYZD_BZ", "\"''\""}};
    QMap<QString, int> numbers;
    for (const QStringList& d : defaults)
        sections << IniSection{d[0] + QString::number(++numbers[d[0]]),
            {{"TableName", d[1]}, {"Column", d[2]}, {"DefVal", d[3]}}};
    int n = 0;
    for (const char* name : {"TTF16.ocx", "CELL32.ocx", "DBClient.dll"})
        sections << IniSection{QStringLiteral("OCX%1").arg(++n), {{"OCXName", QString::fromLatin1(name)}}};
    return sections;
}

void writeKolvarinIni(const QString& folder, const QList<IniSection>& sections)
{
    writeGbkIni(QDir(folder).filePath(QStringLiteral("Kolvarin.ini")), sections);
}

} // namespace demo
