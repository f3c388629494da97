// vostrel-bench-startup: the connection that start-up makes before the main window shows,
// with a user odbc.ini of few and of many data sources. Per count it prints the time of
// one driver lookup of the account set's data source (as the connection makes it), of the
// whole two-step connection from jwcw.ini, and, for the counts given with --enumerate, of
// listing every data source through SQLDataSources (the way the driver was once found).
//
//   vostrel-bench-startup [--counts 5,5000] [--enumerate 5,500] [--repeat 5]
//
// The account set's data source is the last section of the file, the other sections name
// files that do not exist. The driver manager keeps what it read from odbc.ini for a while,
// so each count has a data source name of its own and the first lookup and the first
// connection are timed (as at start-up, which makes each once); --repeat gives the median
// of further, warm, connections.

#include "app/connection.h"
#include "data_module/end_year_data_mod.h"
#include "demo_builder/demo_builder.h"
#include "platform/odbc_sources.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {
QTextStream out(stdout);

QList<int> numbers(const QString& text)
{
    QList<int> list;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list << part.trimmed().toInt();
    return list;
}

// Median of `repeat` runs of f, in milliseconds.
template <typename F> double medianMs(int repeat, F&& f)
{
    QList<double> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        times << t.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

struct Row {
    int count = 0;
    double lookupMs = 0;
    double connectMs = 0;
    double warmConnectMs = 0;
    double enumerateMs = -1;
    bool connected = false;
};

Row measure(int count, bool enumerate, int repeat)
{
    QTemporaryDir dir;
    const QString dsn = QStringLiteral("bench_startup_%1").arg(count);
    const QString dbFile = dir.filePath(QStringLiteral("bench.db"));
    {
        demo::SqliteFile file(dbFile);
        demo::createSystemTables(file.db());
        demo::insertRows(file.db(), QStringLiteral("kvdbztxx"), {{"001", "演示", "dba", "sql", dsn}});
    }
    QList<QPair<QString, QString>> sources;
    for (int i = 1; i < count; ++i)
        sources.append({QStringLiteral("site_source_%1").arg(i), dir.filePath(QStringLiteral("none_%1.db").arg(i))});
    sources.append({dsn, dbFile});
    demo::writeOdbcIni(dir.filePath(QStringLiteral("odbc.ini")), sources);
    demo::writeJwcwIni(dir.path(), demo::demoJwcwSections(dsn));
    qputenv("ODBCINI", dir.filePath(QStringLiteral("odbc.ini")).toLocal8Bit());
    qputenv("VOSTREL_HOME", dir.path().toLocal8Bit());

    Row row;
    row.count = count;
    const QString upper = dsn.toUpper();   // the settings name the data source upper-cased
    row.lookupMs = medianMs(1, [&] { GetDataSourceName(upper); });
    auto connect = [&] {
        TEndYearDataMod dm;
        row.connected = ConnectAccountSet(dm, QStringLiteral("9999"), QStringLiteral("pw"), QStringLiteral("jwcw.ini"),
                            QStringLiteral("001    演示"), true)
                            .isEmpty();
        dm.mast.disconnect();
    };
    row.connectMs = medianMs(1, connect);
    row.warmConnectMs = medianMs(repeat, connect);
    if (enumerate)
        row.enumerateMs = medianMs(1, [&] {
            for (const OdbcDataSource& s : odbcDataSources())
                if (s.name.compare(upper, Qt::CaseInsensitive) == 0)
                    break;
        });
    return row;
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QList<int> counts{5, 5000};
    QList<int> enumerated{5, 500};
    int repeat = 5;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args.at(i) == u"--counts")
            counts = numbers(args.at(i + 1));
        else if (args.at(i) == u"--enumerate")
            enumerated = numbers(args.at(i + 1));
        else if (args.at(i) == u"--repeat")
            repeat = qMax(1, args.at(i + 1).toInt());
    }
    QList<int> all = counts;
    for (const int n : enumerated)
        if (!all.contains(n))
            all << n;
    std::sort(all.begin(), all.end());

    out << "data sources | first driver lookup ms | first two-step connection ms | later connections ms"
           " | listing all (SQLDataSources) ms\n";
    for (const int n : all) {
        if (n < 1)
            continue;
        const Row r = measure(n, enumerated.contains(n), repeat);
        out << QStringLiteral("%1 | %2 | %3%4 | %5 | %6\n")
                   .arg(r.count)
                   .arg(r.lookupMs, 0, 'f', 3)
                   .arg(r.connectMs, 0, 'f', 1)
                   .arg(r.connected ? QString() : QStringLiteral(" (failed)"))
                   .arg(r.warmConnectMs, 0, 'f', 1)
                   .arg(r.enumerateMs < 0 ? QStringLiteral("-") : QString::number(r.enumerateMs, 'f', 1));
        out.flush();
    }
    return 0;
}
