#include "data_module/sql_text.h"

QString sqlEscaped(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString sqlQuoted(const QString& value)
{
    return QLatin1Char('\'') + sqlEscaped(value) + QLatin1Char('\'');
}

bool isPlainTableName(const QString& name)
{
    if (name.isEmpty() || name.size() > 128)
        return false;
    for (const QChar c : name) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'_' || c == u'#' || c == u'$';
        if (!ok)
            return false;
    }
    return true;
}
