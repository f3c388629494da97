#include "data_module/dialect.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$';
}

QString dropOwners(const QString& sql)
{
    static const QStringList owners{QStringLiteral("dba."), QStringLiteral("system."),
        QStringLiteral("db2admin.")};
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
            continue;
        }
        if (i == 0 || !isIdentChar(sql.at(i - 1))) {
            bool skipped = false;
            for (const QString& owner : owners) {
                const qsizetype end = i + owner.size();
                if (end < sql.size() && sql.mid(i, owner.size()).compare(owner, Qt::CaseInsensitive) == 0
                    && isIdentChar(sql.at(end))) {
                    i = end - 1;
                    skipped = true;
                    break;
                }
            }
            if (skipped)
                continue;
        }
        out += c;
    }
    return out;
}
}

QString dialect::forSqlite(const QString& sql)
{
    static const QRegularExpression truncate(QStringLiteral("^\\s*truncate\\s+table\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression dropIndex(
        QStringLiteral("^(\\s*drop\\s+index\\s+)([A-Za-z0-9_#$]+)\\.([A-Za-z0-9_#$]+)"),
        QRegularExpression::CaseInsensitiveOption);

    // Most statements need no change; look before rebuilding them (this runs per statement).
    const bool owners = sql.contains(QLatin1Char('.'))
        && (sql.contains(QLatin1String("dba."), Qt::CaseInsensitive)
        || sql.contains(QLatin1String("system."), Qt::CaseInsensitive)
        || sql.contains(QLatin1String("db2admin."), Qt::CaseInsensitive));
    QString s = owners ? dropOwners(sql) : sql;
    const QStringView head = QStringView(s).trimmed();
    if (head.startsWith(QLatin1String("truncate"), Qt::CaseInsensitive))
        if (const auto m = truncate.match(s); m.hasMatch())
            return QStringLiteral("delete from ") + s.mid(m.capturedEnd());
    if (head.startsWith(QLatin1String("drop"), Qt::CaseInsensitive))
        if (const auto m = dropIndex.match(s); m.hasMatch())
            return m.captured(1) + m.captured(3) + s.mid(m.capturedEnd());
    return s;
}
