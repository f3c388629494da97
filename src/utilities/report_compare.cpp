#include "utilities/report_compare.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {
const QRegularExpression& headingLine()
{
    static const QRegularExpression re(QStringLiteral("^(\\S*)模块统计：\\s*$"));
    return re;
}
// The opening and closing lines of a run.
const QRegularExpression& stampLine()
{
    static const QRegularExpression re(QStringLiteral("^【[^】]*】\\s*(开始统计！|统计结束！)\\s*$"));
    return re;
}
const QRegularExpression& countedLine()
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\S.*?)记录数：\\s*(\\d{1,18})\\s*$"));
    return re;
}
const QRegularExpression& missingLine()
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\S.*?)无历史表。\\s*$"));
    return re;
}

// The year of a historical-year report: the four digits (1990 to 2050, as the year choice
// offers) that more than half of its table names end with.
QString reportYear(const QList<CountLine>& lines)
{
    QMap<QString, int> endings;
    for (const CountLine& line : lines) {
        if (line.table.size() <= 4)
            continue;
        const QString tail = line.table.right(4);
        bool ok = false;
        const int year = tail.toInt(&ok);
        if (ok && year >= 1990 && year <= 2050 && tail.at(0).isDigit())
            ++endings[tail];
    }
    QString best;
    int most = 0;
    for (auto it = endings.cbegin(); it != endings.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    return most * 2 > lines.size() ? best : QString();
}

QString withoutYear(const QString& table, const QString& year)
{
    if (!year.isEmpty() && table.size() > year.size() && table.endsWith(year))
        return table.left(table.size() - year.size());
    return table;
}

QString countText(const std::optional<qint64>& count)
{
    return count ? QString::number(*count) : QStringLiteral("无历史表");
}
}

CountReport parseCountReport(const QStringList& lines)
{
    CountReport report;
    QString module;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        QRegularExpressionMatch m = headingLine().match(line);
        if (m.hasMatch()) {
            module = m.captured(1);
            continue;
        }
        if (stampLine().match(line).hasMatch())
            continue;
        m = countedLine().match(line);
        if (m.hasMatch()) {
            report.lines.append({module, m.captured(1).trimmed(), m.captured(2).toLongLong()});
            continue;
        }
        m = missingLine().match(line);
        if (m.hasMatch()) {
            report.lines.append({module, m.captured(1).trimmed(), std::nullopt});
            continue;
        }
        ++report.passedOver;
    }
    report.year = reportYear(report.lines);
    return report;
}

QString readReportFile(const QString& fileName, QStringList& lines)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid())
        return QStringLiteral("不支持GBK编码。");
    QString text = decoder.decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return {};
}

int ReportComparison::count(CompareState state) const
{
    int n = 0;
    for (const ComparedTable& t : tables)
        n += t.state == state ? 1 : 0;
    return n;
}

ReportComparison compareCountReports(const CountReport& first, const CountReport& second)
{
    ReportComparison result;
    result.passedOverFirst = first.passedOver;
    result.passedOverSecond = second.passedOver;

    // Key: module, name without the year, occurrence within the module.
    const auto keyed = [](const CountReport& report) {
        QList<QString> keys;
        QHash<QString, int> seen;
        for (const CountLine& line : report.lines) {
            const QString base = line.module + QLatin1Char('\n') + withoutYear(line.table, report.year);
            keys << base + QLatin1Char('\n') + QString::number(seen[base]++);
        }
        return keys;
    };
    const QList<QString> firstKeys = keyed(first);
    const QList<QString> secondKeys = keyed(second);

    QHash<QString, int> index;
    for (int i = 0; i < firstKeys.size(); ++i) {
        const CountLine& line = first.lines.at(i);
        ComparedTable t;
        t.module = line.module;
        t.table = withoutYear(line.table, first.year);
        t.firstName = line.table;
        t.inFirst = true;
        t.first = line.count;
        index.insert(firstKeys.at(i), int(result.tables.size()));
        result.tables << t;
    }
    for (int i = 0; i < secondKeys.size(); ++i) {
        const CountLine& line = second.lines.at(i);
        int at = index.value(secondKeys.at(i), -1);
        if (at < 0) {
            ComparedTable t;
            t.module = line.module;
            t.table = withoutYear(line.table, second.year);
            // After the last table of its module in the first report, else at the end.
            at = int(result.tables.size());
            for (int j = int(result.tables.size()) - 1; j >= 0; --j)
                if (result.tables.at(j).module == line.module) {
                    at = j + 1;
                    break;
                }
            result.tables.insert(at, t);
            for (auto it = index.begin(); it != index.end(); ++it)
                if (it.value() >= at)
                    ++it.value();
            index.insert(secondKeys.at(i), at);
        }
        ComparedTable& t = result.tables[at];
        t.secondName = line.table;
        t.inSecond = true;
        t.second = line.count;
    }

    QHash<QString, int> totalAt;
    for (ComparedTable& t : result.tables) {
        if (!t.inSecond)
            t.state = CompareState::FirstOnly;
        else if (!t.inFirst)
            t.state = CompareState::SecondOnly;
        else
            t.state = t.first == t.second ? CompareState::Equal : CompareState::Changed;
        if (!totalAt.contains(t.module)) {
            totalAt.insert(t.module, int(result.totals.size()));
            result.totals << ModuleTotal{t.module, 0, 0};
        }
        ModuleTotal& total = result.totals[totalAt.value(t.module)];
        total.first += t.first.value_or(0);
        total.second += t.second.value_or(0);
    }
    return result;
}

QString signedDifference(qint64 difference)
{
    return difference > 0 ? QStringLiteral("+") + QString::number(difference) : QString::number(difference);
}

QStringList comparisonLines(const ReportComparison& comparison, const QString& firstTitle,
    const QString& secondTitle)
{
    QStringList out;
    out << QStringLiteral("统计报告对比") << QStringLiteral("报告一：") + firstTitle
        << QStringLiteral("报告二：") + secondTitle;
    for (const ModuleTotal& total : comparison.totals) {
        out << total.module + QStringLiteral("模块：");
        for (const ComparedTable& t : comparison.tables) {
            if (t.module != total.module)
                continue;
            switch (t.state) {
            case CompareState::Equal:
                break;
            case CompareState::Changed: {
                QString line = QStringLiteral("   ") + t.table + QStringLiteral("  报告一：") + countText(t.first)
                    + QStringLiteral("  报告二：") + countText(t.second);
                if (t.first && t.second)
                    line += QStringLiteral("  差额：") + signedDifference(*t.second - *t.first);
                out << line;
                break;
            }
            case CompareState::FirstOnly:
                out << QStringLiteral("   ") + t.table + QStringLiteral("  仅报告一有：") + countText(t.first);
                break;
            case CompareState::SecondOnly:
                out << QStringLiteral("   ") + t.table + QStringLiteral("  仅报告二有：") + countText(t.second);
                break;
            }
        }
        out << QStringLiteral("   合计  报告一：") + QString::number(total.first) + QStringLiteral("  报告二：")
                + QString::number(total.second) + QStringLiteral("  差额：")
                + signedDifference(total.second - total.first);
    }
    out << QStringLiteral("共%1张表：相同%2张，记录数不同%3张，仅报告一有%4张，仅报告二有%5张。")
               .arg(comparison.tables.size())
               .arg(comparison.count(CompareState::Equal))
               .arg(comparison.count(CompareState::Changed))
               .arg(comparison.count(CompareState::FirstOnly))
               .arg(comparison.count(CompareState::SecondOnly));
    if (comparison.passedOverFirst || comparison.passedOverSecond)
        out << QStringLiteral("略过非统计行：报告一%1行，报告二%2行。")
                   .arg(comparison.passedOverFirst)
                   .arg(comparison.passedOverSecond);
    return out;
}
