// vostrel-make-demo <folder> [--scale N] [--summary-scale N] [--management-scale N]
//                   [--dup-rate F] [--no-index] [--no-problems] [--auto-start] [--dsn NAME]
// (Re)builds the demo account set in the folder and prints a one-line summary.
#include "demo_builder/demo_builder.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {
int usage(const QString& error)
{
    QTextStream err(stderr);
    if (!error.isEmpty())
        err << "vostrel-make-demo: " << error << "\n";
    err << "usage: vostrel-make-demo <folder> [--scale N] [--summary-scale N] [--management-scale N]\n"
           "                         [--dup-rate F] [--no-index] [--no-problems] [--auto-start] [--dsn NAME]\n";
    return 2;
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    demo::DemoOptions options;
    QString folder;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--scale")) {
            bool ok = false;
            if (!value(v) || (options.scale = v.toInt(&ok), !ok) || options.scale < 1)
                return usage(QStringLiteral("--scale needs a whole number of at least 1"));
        } else if (a == QLatin1String("--summary-scale")) {
            bool ok = false;
            if (!value(v) || (options.summaryScale = v.toInt(&ok), !ok) || options.summaryScale < 1)
                return usage(QStringLiteral("--summary-scale needs a whole number of at least 1"));
        } else if (a == QLatin1String("--management-scale")) {
            bool ok = false;
            if (!value(v) || (options.managementScale = v.toInt(&ok), !ok) || options.managementScale < 1)
                return usage(QStringLiteral("--management-scale needs a whole number of at least 1"));
        } else if (a == QLatin1String("--dup-rate")) {
            bool ok = false;
            if (!value(v) || (options.dupRate = v.toDouble(&ok), !ok) || options.dupRate < 0 || options.dupRate > 1)
                return usage(QStringLiteral("--dup-rate needs a fraction between 0 and 1"));
        } else if (a == QLatin1String("--no-index")) {
            options.keyIndexes = false;
        } else if (a == QLatin1String("--no-problems")) {
            options.plantProblems = false;
        } else if (a == QLatin1String("--auto-start")) {
            options.autoStartFile = true;
        } else if (a == QLatin1String("--dsn")) {
            if (!value(options.dsn) || options.dsn.isEmpty() || options.dsn.contains(QLatin1Char(']')))
                return usage(QStringLiteral("--dsn needs a data source name"));
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            return usage({});
        } else if (a.startsWith(QLatin1String("--")) || !folder.isEmpty()) {
            return usage(QStringLiteral("unknown argument %1").arg(a));
        } else {
            folder = a;
        }
    }
    if (folder.isEmpty())
        return usage(QStringLiteral("no folder given"));

    try {
        const demo::DemoResult r = demo::buildDemo(folder, options);
        QTextStream out(stdout);
        out << QStringLiteral("演示帐套已写入 %1：数据源 %2，%3 行（单元格 %4 行），%5 秒%6\n")
                   .arg(r.folder, r.dsn)
                   .arg(r.totalRows)
                   .arg(r.cellRows)
                   .arg(r.elapsedMs / 1000.0, 0, 'f', 1)
                   .arg(r.autoStartFile.isEmpty() ? QString() : QStringLiteral("，自动登录文件 ") + r.autoStartFile);
    } catch (const demo::BuildError& e) {
        QTextStream(stderr) << "vostrel-make-demo: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
