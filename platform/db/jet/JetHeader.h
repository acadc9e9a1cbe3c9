#pragma once

#include <QByteArray>
#include <QString>

/// The first page of a Jet database file, checked before the file is handed to the page
/// reader: libmdb trusts what it reads, so a file that is too short, cut off in the middle
/// of a page, or of a version it does not know is refused here with a clear reason.
/// The page also holds the database password and the code page of Jet 3 text, both
/// behind a fixed RC4 key and, for Jet 4, the creation date.
class JetHeader {
public:
    enum class Version { Jet3, Jet4 };

    /// Checks the first bytes of FILE's contents HEAD (at least one page) against the
    /// whole file's SIZE; throws CourseError naming FILE and what is wrong.
    JetHeader(const QString& file, const QByteArray& head, qint64 size);

    /// Reads the first page of FILE and checks it.
    static JetHeader read(const QString& file);

    Version version() const { return m_version; }
    QString versionName() const { return m_version == Version::Jet3 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4"); }
    int pageSize() const { return m_version == Version::Jet3 ? 2048 : 4096; }
    qint64 pageCount() const { return m_pageCount; }
    /// The Windows code page of Jet 3 text (1252 when the file leaves it unset).
    int codePage() const { return m_codePage; }
    /// The database password, "" when the file has none.
    QString password() const { return m_password; }

private:
    Version m_version = Version::Jet4;
    qint64 m_pageCount = 0;
    int m_codePage = 1252;
    QString m_password;
};
