#pragma once

#include <QHash>
#include <QSet>
#include <QString>

/// A Windows profile (.ini) file as the course's settings files are written: Windows-1252
/// text (or UTF-8, when the whole file is valid UTF-8: the first-run step writes the
/// learner's paths as this system spells them), sections and keys compared without
/// regard to case, the value after the first `=`, blanks and one pair of surrounding
/// quotes stripped, no escapes. Values are cut
/// to 254 characters, as the 255-character buffer they were read into held.
class ProfileFile {
public:
    /// Reads FILE; a missing or unreadable file reads as empty.
    explicit ProfileFile(const QString& file);

    QString fileName() const { return m_fileName; }
    bool exists() const { return m_exists; }

    /// The value of KEY in SECTION; "" when either is missing.
    QString value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;
    /// Whether the file has a section of this name, with or without keys.
    bool containsSection(const QString& section) const;

    static constexpr int maxValueLength = 254;

private:
    QString m_fileName;
    bool m_exists = false;
    QHash<QString, QString> m_values; // "section\nkey", lower case → value
    QSet<QString> m_sections;         // lower case
};
