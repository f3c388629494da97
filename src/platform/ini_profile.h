#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A settings file of the report system, read only. The files are GBK as written on the
// report system's machines; UTF-8 (with or without a byte-order mark) and UTF-16 with its
// byte-order mark (little or big endian) are read too.
// Section and key names are looked up without regard to case, values lose surrounding
// blanks (and one pair of enclosing quotes), a missing file has no sections.
class IniProfile {
public:
    IniProfile() = default;

    // A missing or unreadable file gives an empty profile.
    static IniProfile load(const QString& path);
    static IniProfile fromBytes(const QByteArray& bytes);
    // The text of a file as the reader decodes it.
    static QString decode(const QByteArray& bytes);

    // Section names in file order; a name repeated later in the file is listed once.
    QStringList sections() const;
    bool hasSection(const QString& section) const;
    // Key names of a section in file order.
    QStringList keys(const QString& section) const;
    // The first value of the key in the section, or fallback when either is missing.
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;

    // Limits far beyond any real settings file (a jwcw.ini of 10,000 account sets is under
    // 1 MiB): lines longer than MaxLine characters are cut there; bytes beyond MaxFileSize
    // are not read.
    static constexpr qsizetype MaxLine = 1024 * 1024;
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    const Section* find(const QString& name) const;
    void parse(const QString& text);

    QList<Section> m_sections;
    QHash<QString, qsizetype> m_index;   // case-folded name -> position in m_sections
};
