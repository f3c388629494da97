#include "platform/ini_profile.h"

#include <QFile>
#include <QStringDecoder>

IniProfile IniProfile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.read(MaxFileSize));
}

IniProfile IniProfile::fromBytes(const QByteArray& bytes)
{
    IniProfile profile;
    profile.parse(decode(bytes));
    return profile;
}

QString IniProfile::decode(const QByteArray& bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return utf8(bytes.mid(bom.size()));
    }
    // UTF-16, as a Windows editor saves "Unicode" text: only with its byte-order mark.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless);
        return utf16(bytes.mid(2));
    }
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        if (!utf8.hasError())
            return text;
    }
    QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
    if (gbk.isValid())
        return gbk(bytes);
    return QString::fromLatin1(bytes);
}

namespace {
QString unquoted(const QString& value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}
}

void IniProfile::parse(const QString& text)
{
    Section* current = nullptr;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        QString line = text.mid(start, qMin(end - start, MaxLine));
        start = end + 1;
        if (end < size && text.at(end) == u'\r' && end + 1 < size && text.at(end + 1) == u'\n')
            ++start;

        // NUL and other control characters of a damaged file are not part of any name.
        for (QChar& c : line)
            if (c.unicode() < 0x20 && c != u'\t')
                c = u' ';
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;

        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue; // not a section header; the keys that follow stay where they were
            const QString name = line.mid(1, close - 1).trimmed();
            const QString key = name.toCaseFolded();
            qsizetype at = m_index.value(key, -1);
            if (at < 0) {
                at = m_sections.size();
                m_index.insert(key, at);
                m_sections.append(Section{name, {}});
            }
            current = &m_sections[at];
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue; // a key without "=" (or a value without a key) has no value
        current->entries.append(Entry{line.left(eq).trimmed(), unquoted(line.mid(eq + 1).trimmed())});
    }
}

const IniProfile::Section* IniProfile::find(const QString& name) const
{
    const auto at = m_index.constFind(name.toCaseFolded());
    return at == m_index.constEnd() ? nullptr : &m_sections.at(*at);
}

QStringList IniProfile::sections() const
{
    QStringList names;
    for (const Section& s : m_sections)
        names << s.name;
    return names;
}

bool IniProfile::hasSection(const QString& section) const { return find(section) != nullptr; }

QStringList IniProfile::keys(const QString& section) const
{
    QStringList names;
    if (const Section* s = find(section))
        for (const Entry& e : s->entries)
            names << e.key;
    return names;
}

QString IniProfile::value(const QString& section, const QString& key, const QString& fallback) const
{
    if (const Section* s = find(section))
        for (const Entry& e : s->entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0)
                return e.value;
    return fallback;
}
