#include "utilities/format_exchange.h"

#include "data_module/database_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// The report system's code page; GB18030 where the converter does not know GBK by name
// (both write the same bytes for every GBK character).
const char* codePage()
{
    static const char* name = QStringEncoder("GBK").isValid() ? "GBK" : "GB18030";
    return name;
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString caption(ReportSystem system) { return systemCaption(system) + QStringLiteral("系统报表格式"); }
}

FormatExchangeJob::FormatExchangeJob(const JobContext& context, FormatExchangeOptions options, ReportSink& report)
    : m_context(context), m_options(std::move(options)), m_report(report), ExpQuery(context.db), ImpTable(context.db)
{
    ImpTable.setKeyFields(QStringLiteral("BBZD_BH;BBZD_DATE;BBZD_XH"));
}

void FormatExchangeJob::line(const QString& text) { m_report.addLine(m_context.stamp() + text); }

bool FormatExchangeJob::checks()
{
    if (m_context.kind() != DbKind::Anywhere) {
        m_context.prompts.message(QStringLiteral("本功能只适用于单机数据库! "), QStringLiteral("提示"),
            PromptIcon::Information, PromptButtons::Ok);
        return false;
    }
    if (m_options.root.isEmpty()) {
        m_context.prompts.message(QStringLiteral("请指定报表格式保存路径! "), QStringLiteral("提示"),
            PromptIcon::Information, PromptButtons::Ok);
        return false;
    }
    m_report.clear();
    return true;
}

bool FormatExchangeJob::isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20)
            return false;
    return !QDir::isAbsolutePath(name);
}

QStringList FormatExchangeJob::listFields(const QString& line)
{
    QStringList fields;
    QString rest = line;
    for (int i = 0; i < 3; ++i) {
        const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
        fields << (tab < 0 ? QString() : rest.left(tab));
        rest = rest.mid(tab + 1);   // without a TAB the whole text stays
    }
    fields << rest.left(rest.size() - 1);
    return fields;
}

QByteArray FormatExchangeJob::listLine(const QString& bh, const QString& date, const QString& xh, const QString& fileName)
{
    QStringEncoder encode(codePage());
    QByteArray bytes = encode(bh + QLatin1Char('\t') + date + QLatin1Char('\t') + xh + QLatin1Char('\t') + fileName
        + QLatin1Char(';'));
    bytes += "\r\n";
    return bytes;
}

// ---- export

void FormatExchangeJob::exportRun()
{
    if (!checks())
        return;
    exportPass(ReportSystem::Management, m_options.management);
    exportPass(ReportSystem::Summary, m_options.summary);
    m_context.prompts.message(QStringLiteral("报表格式导出结束，请查看另存报告! "), QStringLiteral("提示"),
        PromptIcon::Information, PromptButtons::Ok);
}

void FormatExchangeJob::setExportTarget(const QString& table, const QString& folder, const QString& listPath)
{
    m_table = table;
    m_folder = folder;
    m_listPath = listPath;
}

void FormatExchangeJob::exportPass(ReportSystem system, const SystemYear& year)
{
    if (!year.chosen)
        return;
    const QString folder = QDir(m_options.root).filePath(systemSelector(system) + year.suffix);
    QDir().mkpath(folder);   // a folder that cannot be made fails the first file
    const QString table = reportTableName(system, QStringLiteral("BBGS"), year.suffix);
    setExportTarget(table, folder, QDir(folder).filePath(systemPrefix(system) + QStringLiteral("BBGS.txt")));
    const QString stamp = m_context.stamp();
    const std::unique_ptr<ProgressSink> progress = m_context.progressWindow();
    progress->setLabel(QStringLiteral("正在将") + caption(system) + table + QStringLiteral("导出！"));
    m_report.addLine(stamp + QStringLiteral("------") + caption(system) + table + QStringLiteral("导出开始执行------"));
    QFile::remove(m_listPath);
    ExportFormats(systemSelector(system));
    line(QStringLiteral("------") + caption(system) + table + QStringLiteral("导出结束执行------"));
}

void FormatExchangeJob::ExportFormats(const QString& system)
{
    QFile list(m_listPath);
    bool ok = true;
    try {
        ExpQuery.open(QStringLiteral("select * from ") + m_table);
        while (ok && !ExpQuery.eof()) {
            ok = exportRow(list, system);
            if (ok) {
                m_context.events.processEvents();
                ExpQuery.next();
            }
        }
    } catch (const DatabaseError&) {
        ok = false;
    }
    if (!ok)
        line(QStringLiteral("导出报表格式") + m_table + QStringLiteral("失败！"));
    ExpQuery.close();
}

bool FormatExchangeJob::exportRow(QFile& list, const QString& system)
{
    const QString bh = ExpQuery.text(QStringLiteral("BBZD_BH"));
    const QString date = ExpQuery.text(QStringLiteral("BBZD_DATE"));
    const QString xh = ExpQuery.text(QStringLiteral("BBZD_XH"));
    const QString name = system + bh + date + xh + QStringLiteral(".cnt");
    // A name made of the row's values must stay in the folder.
    if (!isPlainFileName(name))
        return false;
    const QString path = QDir(m_folder).filePath(name);
    if (QFileInfo::exists(path))
        QFile::remove(path);
    const QByteArray content = ExpQuery.bytes(QStringLiteral("BBZD_GS"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    if (file.error() != QFileDevice::NoError)
        return false;
    // The list grows by this row only once its file is complete, and reaches the disk at once.
    if (!list.isOpen() && !list.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray entry = listLine(bh, date, xh, name);
    if (list.write(entry) != entry.size() || !list.flush())
        return false;
    line(QStringLiteral("编号") + bh + QStringLiteral("日期") + date + QStringLiteral("序号") + xh
        + QStringLiteral("的报表格式成功导出！"));
    return true;
}

// ---- import

void FormatExchangeJob::importRun()
{
    if (!checks())
        return;
    importPass(ReportSystem::Management, m_options.management);
    importPass(ReportSystem::Summary, m_options.summary);
    m_context.prompts.message(QStringLiteral("报表格式导入结束，请查看操作报告! "), QStringLiteral("提示"),
        PromptIcon::Information, PromptButtons::Ok);
}

void FormatExchangeJob::importPass(ReportSystem system, const SystemYear& year)
{
    if (!year.chosen)
        return;
    m_context.state.TableNames.YearSuffix = year.suffix;
    const QString table = reportTableName(system, QStringLiteral("BBGS"), year.suffix);
    const QString stamp = m_context.stamp();
    const std::unique_ptr<ProgressSink> progress = m_context.progressWindow();
    progress->setLabel(QStringLiteral("正在将") + caption(system) + table + QStringLiteral("导入！"));
    m_report.addLine(stamp + QStringLiteral("------") + caption(system) + table + QStringLiteral("导入开始执行------"));
    ImportFormats(QDir(m_options.root).filePath(systemPrefix(system) + QStringLiteral("BBGS.txt")), table);
    line(QStringLiteral("------") + caption(system) + table + QStringLiteral("导人结束执行------"));
}

void FormatExchangeJob::ImportFormats(const QString& listPath, const QString& table)
{
    QFile list(listPath);
    if (!QFileInfo(listPath).isFile() || !list.open(QIODevice::ReadOnly)) {
        line(QStringLiteral("报表格式信息文件") + shown(listPath) + QStringLiteral("不存在！"));
        return;
    }
    QStringDecoder decode(codePage());
    const QString text = decode(list.readAll());
    list.close();
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();   // the break after the last line

    ImpTable.close();
    ImpTable.setTableName(table);
    try {
        ImpTable.open();
    } catch (const DatabaseError&) {
        line(QStringLiteral("报表格式数据表") + table + QStringLiteral("不存在！"));
        return;
    }
    const QString folder = QFileInfo(listPath).path();
    for (const QString& entry : lines) {
        const QStringList f = listFields(entry);
        const QString key = QStringLiteral("编号") + f[0] + QStringLiteral("日期") + f[1] + QStringLiteral("序号") + f[2];
        try {
            if (!ImpTable.locate(QStringLiteral("BBZD_BH;BBZD_DATE;BBZD_XH"), {f[0], f[1], f[2]}))
                continue;   // the import never adds rows
            const QString path = QDir(folder).filePath(f[3]);
            ImpTable.edit();
            // Only a plain file of the list's own folder is read.
            if (!isPlainFileName(f[3]) || !QFileInfo(path).isFile()
                || !ImpTable.loadFieldFromFile(QStringLiteral("BBZD_GS"), path))
                throw DatabaseError(QStringLiteral("file"));
            ImpTable.post();
            line(key + QStringLiteral("的报表格式成功导入！"));
        } catch (const DatabaseError&) {
            ImpTable.cancel();
            line(key + QStringLiteral("的报表格式文件丢失！"));
        }
        m_context.events.processEvents();
    }
    ImpTable.close();
}
