#include "ProfileFile.h"

#include "Cp1252.h"

#include <QFile>

namespace {

QString sectionOf(const QString& section)
{
    return section.trimmed().toLower();
}

QString keyOf(const QString& section, const QString& key)
{
    return sectionOf(section) + QLatin1Char('\n') + key.trimmed().toLower();
}

} // namespace

ProfileFile::ProfileFile(const QString& file)
    : m_fileName(file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return;
    m_exists = true;
    const QString text = fromUtf8OrCp1252(f.readAll());
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            section = line.mid(1, close < 0 ? -1 : close - 1);
            m_sections.insert(sectionOf(section));
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == value.back()) && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        const QString key = keyOf(section, line.left(eq));
        // The first occurrence of a key wins, as it did for the profile service.
        if (!m_values.contains(key))
            m_values.insert(key, value.left(maxValueLength));
    }
}

QString ProfileFile::value(const QString& section, const QString& key) const
{
    return m_values.value(keyOf(section, key));
}

bool ProfileFile::contains(const QString& section, const QString& key) const
{
    return m_values.contains(keyOf(section, key));
}

bool ProfileFile::containsSection(const QString& section) const
{
    return m_sections.contains(sectionOf(section));
}
