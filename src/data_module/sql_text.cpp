#include "data_module/sql_text.h"

#include <QList>

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
    // By code point, so that letters beyond the basic plane count as letters and a lone
    // surrogate (U+FFFD here) does not.
    for (const char32_t c : name.toUcs4()) {
        if (c == U'_' || c == U'#' || c == U'$')
            continue;
        // Hangul fillers are letters that show as blanks.
        if (c == 0x115F || c == 0x1160 || c == 0x3164 || c == 0xFFA0)
            return false;
        switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Other:
        case QChar::Number_DecimalDigit:
            continue;
        default:
            return false;
        }
    }
    return true;
}

QString catalogueName(const QString& value)
{
    qsizetype n = value.size();
    while (n > 0 && value.at(n - 1) == u' ')
        --n;
    return value.left(n);
}
