#include "data_module/dialect.h"

#include "data_module/database_error.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$';
}

// Applies change to each stretch of sql outside quoted literals ('...') and quoted names
// ("..."); the quoted parts are copied as they are.
template <typename Change> QString outsideQuotes(const QString& sql, Change change)
{
    QString out;
    out.reserve(sql.size() + 16);
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (c != u'\'' && c != u'"') {
            ++i;
            continue;
        }
        out += change(sql.mid(start, i - start));
        qsizetype end = sql.indexOf(c, i + 1);
        end = end < 0 ? sql.size() : end + 1;
        out += QStringView(sql).mid(i, end - i);
        start = i = end;
    }
    out += change(sql.mid(start));
    return out;
}

QString replaced(QString text, const QRegularExpression& re, const QString& with)
{
    return text.replace(re, with);
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

bool mentions(const QString& sql, QLatin1String word) { return sql.contains(word, Qt::CaseInsensitive); }

// substring(x, start, length) is substr on Oracle and DB2 (DB2's substring wants a string unit).
QString substr(const QString& sql)
{
    static const QRegularExpression call(QStringLiteral("\\bsubstring(\\s*\\()"),
        QRegularExpression::CaseInsensitiveOption);
    if (!mentions(sql, QLatin1String("substring")))
        return sql;
    return outsideQuotes(sql, [](const QString& part) { return replaced(part, call, QStringLiteral("substr\\1")); });
}

// "null" as a column option: kept after "not" and "default", left out otherwise.
QString withoutNullOption(const QString& part)
{
    static const QRegularExpression null(QStringLiteral("\\bnull\\b"), QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype from = 0;
    for (auto it = null.globalMatch(part); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        qsizetype j = m.capturedStart();
        while (j > 0 && part.at(j - 1).isSpace())
            --j;
        qsizetype w = j;
        while (w > 0 && isIdentChar(part.at(w - 1)))
            --w;
        const QStringView before = QStringView(part).mid(w, j - w);
        if (before.compare(QLatin1String("not"), Qt::CaseInsensitive) == 0
            || before.compare(QLatin1String("default"), Qt::CaseInsensitive) == 0)
            continue;
        out += QStringView(part).mid(from, m.capturedStart() - from);
        from = m.capturedEnd();
    }
    out += QStringView(part).mid(from);
    return out;
}

// "delete from T where exists (select 1 from K RelTab where RelTab.a = T.a and ...)" as
// "delete from T where (a, ...) in (select a, ... from K)": SQLite plans the first as a
// pass over T whatever its indexes, the second through T's index on the key when there
// is one. Both match no row with a missing key part. Empty when sql has another form.
QString keyRangeDelete(const QString& sql)
{
    static const QRegularExpression form(QStringLiteral(
        "^delete from ([A-Za-z0-9_#$]+) where exists \\(select 1 from ([A-Za-z0-9_#$]+) RelTab where (.+)\\)$"));
    const auto m = form.match(sql);
    if (!m.hasMatch())
        return {};
    const QString table = m.captured(1);
    QStringList columns;
    for (const QString& part : m.captured(3).split(QStringLiteral(" and "))) {
        static const QRegularExpression pair(QStringLiteral("^RelTab\\.([A-Za-z0-9_#$]+) = ([A-Za-z0-9_#$]+)\\.([A-Za-z0-9_#$]+)$"));
        const auto p = pair.match(part);
        if (!p.hasMatch() || p.captured(2) != table || p.captured(1) != p.captured(3))
            return {};
        columns.append(p.captured(1));
    }
    const QString list = columns.join(QStringLiteral(", "));
    return QStringLiteral("delete from ") + table + QStringLiteral(" where (") + list + QStringLiteral(") in (select ")
        + list + QStringLiteral(" from ") + m.captured(2) + QLatin1Char(')');
}
}

QString dialect::forSqlite(const QString& sql)
{
    static const QRegularExpression truncate(QStringLiteral("^\\s*truncate\\s+table\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nonclustered(QStringLiteral("^(\\s*create\\s+)nonclustered\\s+(?=index\\s)"),
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
    if (head.startsWith(QLatin1String("create"), Qt::CaseInsensitive))
        if (const auto m = nonclustered.match(s); m.hasMatch())
            return m.captured(1) + s.mid(m.capturedEnd());
    if (head.startsWith(QLatin1String("delete"), Qt::CaseInsensitive) && s.contains(QLatin1String(" where exists (")))
        if (const QString rewritten = keyRangeDelete(s); !rewritten.isEmpty())
            return rewritten;
    return s;
}

namespace {
// End (exclusive) of the quoted name or literal that starts at i: '...', "...", `...`
// with doubled closing characters, or [...].
qsizetype quotedEnd(const QString& s, qsizetype i)
{
    const QChar open = s.at(i);
    const QChar close = open == u'[' ? QChar(u']') : open;
    for (qsizetype j = i + 1; j < s.size(); ++j) {
        if (s.at(j) != close)
            continue;
        if (close != u']' && j + 1 < s.size() && s.at(j + 1) == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return s.size();
}

bool opensQuote(QChar c)
{
    return c == u'\'' || c == u'"' || c == u'`' || c == u'[';
}

// End (exclusive) of the parenthesised text that starts at i.
qsizetype parenEnd(const QString& s, qsizetype i)
{
    int depth = 0;
    for (qsizetype j = i; j < s.size();) {
        const QChar c = s.at(j);
        if (opensQuote(c)) {
            j = quotedEnd(s, j);
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')' && --depth == 0)
            return j + 1;
        ++j;
    }
    return s.size();
}

// The name a column definition begins with, unquoted.
QString leadingName(const QString& def)
{
    qsizetype i = 0;
    while (i < def.size() && def.at(i).isSpace())
        ++i;
    if (i == def.size())
        return {};
    if (opensQuote(def.at(i))) {
        const qsizetype end = quotedEnd(def, i);
        return def.mid(i + 1, end - i - 2);
    }
    qsizetype end = i;
    while (end < def.size() && isIdentChar(def.at(end)))
        ++end;
    return def.mid(i, end - i);
}

// The column definition with its default set to value.
QString setDefault(const QString& def, const QString& value)
{
    for (qsizetype i = 0; i < def.size();) {
        const QChar c = def.at(i);
        if (opensQuote(c)) {
            i = quotedEnd(def, i);
            continue;
        }
        if (c == u'(') {
            i = parenEnd(def, i);
            continue;
        }
        if (!isIdentChar(c)) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < def.size() && isIdentChar(def.at(end)))
            ++end;
        if (QStringView(def).mid(i, end - i).compare(QLatin1String("default"), Qt::CaseInsensitive) != 0) {
            i = end;
            continue;
        }
        // The old value: a parenthesised expression, a literal, or a signed number or word.
        qsizetype v = end;
        while (v < def.size() && def.at(v).isSpace())
            ++v;
        qsizetype vEnd = v;
        if (v < def.size() && def.at(v) == u'(') {
            vEnd = parenEnd(def, v);
        } else if (v < def.size() && opensQuote(def.at(v))) {
            vEnd = quotedEnd(def, v);
        } else {
            if (vEnd < def.size() && (def.at(vEnd) == u'+' || def.at(vEnd) == u'-'))
                ++vEnd;
            while (vEnd < def.size() && (isIdentChar(def.at(vEnd)) || def.at(vEnd) == u'.'))
                ++vEnd;
        }
        return def.left(i) + QStringLiteral("DEFAULT ") + value + def.mid(vEnd);
    }
    qsizetype keep = def.size();
    while (keep > 0 && def.at(keep - 1).isSpace())
        --keep;
    return def.left(keep) + QStringLiteral(" DEFAULT ") + value + def.mid(keep);
}

void changeDefault(const dialect::SqliteSteps& steps, const dialect::DefaultChange& change)
{
    const auto tables = steps.rows(QStringLiteral("select name, sql from sqlite_master where type='table' and lower(name)=lower(?)"),
        {change.table});
    if (tables.isEmpty())
        throw DatabaseError(QStringLiteral("no such table: ") + change.table);
    const QString name = tables.first().value(0).toString();
    const QString oldSql = tables.first().value(1).toString();
    const QString newSql = dialect::withColumnDefault(oldSql, change.column, change.value);
    if (newSql.isEmpty())
        throw DatabaseError(QStringLiteral("no such column: ") + change.column);
    const qsizetype body = newSql.indexOf(QLatin1Char('('));

    steps.exec(QStringLiteral("SAVEPOINT vostrel_default"), {});
    try {
        // The new definition must stand on its own (a constant default, sound syntax)
        // before it goes into the schema.
        steps.exec(QStringLiteral("CREATE TEMP TABLE vostrel_default_check ") + newSql.mid(body), {});
        steps.exec(QStringLiteral("DROP TABLE temp.vostrel_default_check"), {});
        const int version = steps.rows(QStringLiteral("PRAGMA schema_version"), {}).value(0).value(0).toInt();
        steps.exec(QStringLiteral("PRAGMA writable_schema=ON"), {});
        steps.exec(QStringLiteral("UPDATE sqlite_master SET sql=? WHERE type='table' AND name=?"), {newSql, name});
        steps.exec(QStringLiteral("PRAGMA schema_version=") + QString::number(version + 1), {});
        steps.exec(QStringLiteral("PRAGMA writable_schema=OFF"), {});
        const auto check = steps.rows(QStringLiteral("PRAGMA integrity_check"), {});
        const QString verdict = check.value(0).value(0).toString();
        if (verdict != QLatin1String("ok"))
            throw DatabaseError(QStringLiteral("integrity check: ") + verdict);
        steps.exec(QStringLiteral("RELEASE vostrel_default"), {});
    } catch (const DatabaseError&) {
        try {
            steps.exec(QStringLiteral("PRAGMA writable_schema=OFF"), {});
        } catch (const DatabaseError&) {
        }
        steps.exec(QStringLiteral("ROLLBACK TO vostrel_default"), {});
        steps.exec(QStringLiteral("RELEASE vostrel_default"), {});
        throw;
    }
}
}

std::optional<dialect::DefaultChange> dialect::parseDefaultChange(const QString& sql)
{
    static const QRegularExpression modify(QStringLiteral(
        "^\\s*alter\\s+table\\s+([\\p{L}\\p{Nd}_#$]+)\\s+(?:modify|replace)\\s+([\\p{L}\\p{Nd}_#$]+)\\s+default\\s(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression constraint(QStringLiteral(
        "^\\s*alter\\s+table\\s+([\\p{L}\\p{Nd}_#$]+)\\s+add\\s+constraint\\s+[\\p{L}\\p{Nd}_#$]+\\s+default\\s(.*?)"
        "\\s+for\\s+([\\p{L}\\p{Nd}_#$]+)\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = modify.match(sql); m.hasMatch())
        return DefaultChange{m.captured(1), m.captured(2), m.captured(3).trimmed()};
    if (const auto m = constraint.match(sql); m.hasMatch())
        return DefaultChange{m.captured(1), m.captured(3), m.captured(2).trimmed()};
    return std::nullopt;
}

QString dialect::withColumnDefault(const QString& createSql, const QString& column, const QString& value)
{
    qsizetype open = -1;
    for (qsizetype i = 0; i < createSql.size(); ++i) {
        if (opensQuote(createSql.at(i)))
            i = quotedEnd(createSql, i) - 1;
        else if (createSql.at(i) == u'(') {
            open = i;
            break;
        }
    }
    if (open < 0)
        return {};
    const qsizetype close = parenEnd(createSql, open) - 1;
    // Column definitions: the pieces between commas at the outer level of the body.
    qsizetype start = open + 1;
    for (qsizetype i = start; i <= close;) {
        const QChar c = createSql.at(i);
        if (i < close && opensQuote(c)) {
            i = quotedEnd(createSql, i);
            continue;
        }
        if (i < close && c == u'(') {
            i = parenEnd(createSql, i);
            continue;
        }
        if (i == close || c == u',') {
            const QString def = createSql.mid(start, i - start);
            if (leadingName(def).compare(column, Qt::CaseInsensitive) == 0)
                return createSql.left(start) + setDefault(def, value) + createSql.mid(i);
            start = i + 1;
        }
        ++i;
    }
    return {};
}

namespace {
// "insert into D select SrcTab.* from S SrcTab, K RelTab where 1 = 1 and SrcTab.a=RelTab.a ...":
// SQLite walks K and seeks S by its key where S has an index on key columns alone; otherwise
// it reads S whole and looks each row up in K, for which it builds a temporary index of K on
// every run, kept in a cache of its own too small for large key tables. K then gets an index
// of its own ("IX_" + K), kept with the table, and where S has its key index, K has none (with
// both, SQLite would read S whole). A failing step leaves the copy to SQLite's own plan.
bool copyMatchingRows(const QString& sql, const dialect::SqliteSteps& steps)
{
    static const QRegularExpression form(QStringLiteral("^insert into [A-Za-z0-9_#$]+ select SrcTab\\.\\* from "
                                                        "([A-Za-z0-9_#$]+) SrcTab, ([A-Za-z0-9_#$]+) RelTab where 1 = 1((?: and "
                                                        "SrcTab\\.[A-Za-z0-9_#$]+=RelTab\\.[A-Za-z0-9_#$]+)+)$"));
    const auto m = form.match(sql);
    if (!m.hasMatch())
        return false;
    const QString source = m.captured(1), keyTable = m.captured(2);
    QStringList keys;
    QList<QVariant> binds{source};
    static const QRegularExpression pair(QStringLiteral(" and SrcTab\\.([A-Za-z0-9_#$]+)=RelTab\\.([A-Za-z0-9_#$]+)"));
    for (auto it = pair.globalMatch(m.captured(3)); it.hasNext();) {
        const auto p = it.next();
        if (p.captured(1) != p.captured(2))
            return false;
        keys << p.captured(1);
        binds << p.captured(1).toLower();
    }
    const QString index = QStringLiteral("IX_") + keyTable;
    try {
        QStringList marks(keys.size(), QStringLiteral("?"));
        const bool keyed = !steps
                                .rows(QStringLiteral("select il.name from pragma_index_list(?) il where il.partial = 0 and "
                                                     "not exists (select 1 from pragma_index_info(il.name) ii where ii.name "
                                                     "is null or lower(ii.name) not in (")
                                        + marks.join(QLatin1Char(',')) + QStringLiteral("))"),
                                    binds)
                                .isEmpty();
        if (keyed)
            steps.exec(QStringLiteral("drop index if exists ") + index, {});
        else
            steps.exec(QStringLiteral("create index if not exists ") + index + QStringLiteral(" on ") + keyTable
                    + QLatin1Char('(') + keys.join(QLatin1Char(',')) + QLatin1Char(')'),
                {});
    } catch (const DatabaseError&) {
    }
    steps.exec(sql, {});
    return true;
}
} // namespace

bool dialect::runSqliteProcedure(const QString& sql, const SqliteSteps& steps)
{
    const QStringView head = QStringView(sql).trimmed();
    if (head.startsWith(QLatin1String("insert"), Qt::CaseInsensitive))
        return copyMatchingRows(sql, steps);
    if (head.startsWith(QLatin1String("alter"), Qt::CaseInsensitive)) {
        const auto change = parseDefaultChange(sql);
        if (!change)
            return false;
        changeDefault(steps, *change);
        return true;
    }
    if (head.startsWith(QLatin1String("drop"), Qt::CaseInsensitive)) {
        static const QRegularExpression dropIndex(
            QStringLiteral("^\\s*drop\\s+index\\s+([\\p{L}\\p{Nd}_#$]+)\\.([\\p{L}\\p{Nd}_#$]+)\\s*$"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = dropIndex.match(sql);
        if (!m.hasMatch())
            return false;
        const auto found = steps.rows(QStringLiteral("select name from sqlite_master where type='index' and lower(name)=lower(?) "
                           "and lower(tbl_name)=lower(?)"),
            {m.captured(2), m.captured(1)});
        if (found.isEmpty())
            throw DatabaseError(QStringLiteral("no such index: ") + m.captured(1) + QLatin1Char('.') + m.captured(2));
        steps.exec(QStringLiteral("drop index \"") + found.first().value(0).toString() + QLatin1Char('"'), {});
        return true;
    }
    return false;
}

QString dialect::dropIndexStatement(DbKind kind, const QString& table, const QString& index)
{
    if (kind == DbKind::Db2Oracle)
        return QStringLiteral("drop index ") + index;
    return QStringLiteral("drop index ") + table + QLatin1Char('.') + index;
}

bool dialect::concatenatesWithBars(const QString& dbmsName)
{
    for (const char* name : {"SQLite", "Oracle", "DB2", "PostgreSQL"})
        if (dbmsName.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    return false;
}

QString dialect::textConcat(const QString& dbmsName, const QStringList& expressions)
{
    QStringList parts;
    for (const QString& e : expressions)
        parts << QStringLiteral("coalesce(") + e + QStringLiteral(",'')");
    return parts.join(concatenatesWithBars(dbmsName) ? QStringLiteral("||") : QStringLiteral("+"));
}

bool dialect::groupsStatementRuns(Server server) { return server == Server::Sqlite; }

bool dialect::picksRowsInTableOrder(Server server) { return server == Server::Sqlite; }

bool dialect::readsUtf8Text(Server server) { return server == Server::Sqlite; }

QString dialect::exactDistinct(Server server, const QStringList& expressions)
{
    if (server != Server::Sqlite)
        return {};
    QStringList binary;
    for (const QString& e : expressions)
        binary << e + QStringLiteral(" collate binary");
    return QStringLiteral("distinct ") + binary.join(QStringLiteral(", "));
}

dialect::Server dialect::serverOf(const QString& dbmsName)
{
    if (dbmsName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
        return Server::Sqlite;
    if (dbmsName.trimmed().startsWith(QLatin1String("DB2"), Qt::CaseInsensitive))
        return Server::Db2;
    if (dbmsName.trimmed().startsWith(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return Server::Oracle;
    if (dbmsName.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return Server::PostgreSql;
    return Server::Other;
}

QString dialect::translate(Server server, const QString& sql)
{
    switch (server) {
    case Server::Sqlite:
        return forSqlite(sql);
    case Server::Db2:
        return forDb2(sql);
    case Server::Oracle:
        return forOracle(sql);
    case Server::PostgreSql:
        return forPostgreSql(sql);
    case Server::Other:
        break;
    }
    return sql;
}

QString dialect::forPostgreSql(const QString& sql)
{
    static const QRegularExpression tableIndex(
        QStringLiteral("^(\\s*drop\\s+index\\s+)[\\p{L}\\p{Nd}_#$]+\\.([\\p{L}\\p{Nd}_#$]+\\s*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = tableIndex.match(sql);
    return m.hasMatch() ? m.captured(1) + m.captured(2) : sql;
}

QString dialect::forDb2(const QString& sql)
{
    static const QRegularExpression truncate(QStringLiteral("^\\s*truncate\\s+(table\\s+)?[^\\s'\"]+\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression modifyDefault(
        QStringLiteral("^(\\s*alter\\s+table\\s+[^\\s'\"]+\\s+)modify(\\s+[^\\s'\"]+\\s+)default\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression userTables(QStringLiteral("\\bfrom\\s+user_tables\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression createTable(QStringLiteral("^\\s*create\\s+table\\b"),
        QRegularExpression::CaseInsensitiveOption);

    const QStringView head = QStringView(sql).trimmed();
    if (head.startsWith(QLatin1String("truncate"), Qt::CaseInsensitive)) {
        if (truncate.match(sql).hasMatch())
            return QStringView(sql).trimmed().toString() + QStringLiteral(" IMMEDIATE");
        return sql;
    }
    if (head.startsWith(QLatin1String("alter"), Qt::CaseInsensitive)) {
        if (const auto m = modifyDefault.match(sql); m.hasMatch())
            return m.captured(1) + QStringLiteral("alter column") + m.captured(2) + QStringLiteral("set default")
                + sql.mid(m.capturedEnd());
        return sql;
    }
    if (head.startsWith(QLatin1String("create"), Qt::CaseInsensitive)) {
        if (createTable.match(sql).hasMatch() && mentions(sql, QLatin1String("null")))
            return outsideQuotes(sql, withoutNullOption);
        return sql;
    }
    QString s = substr(sql);
    if (mentions(s, QLatin1String("user_tables")))
        s = outsideQuotes(s, [](const QString& part) {
            return replaced(part, userTables,
                QStringLiteral("from (select tabname table_name from syscat.tables"
                               " where tabschema = current schema and type = 'T') user_tables"));
        });
    return s;
}

QString dialect::forOracle(const QString& sql) { return substr(sql); }
