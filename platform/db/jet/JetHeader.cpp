#include "JetHeader.h"

#include "CourseError.h"

#include <QFile>
#include <QtEndian>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr int versionOffset = 0x14;
constexpr int maskedStart = 0x18;
constexpr int codePageOffset = 0x3C;
constexpr int passwordOffset = 0x42;
constexpr int creationDateOffset = 0x72;

// The header's fixed key: not a secret, the format's own obfuscation of the page.
void rc4(QByteArray& bytes, int from, int length)
{
    static constexpr std::array<unsigned char, 4> key { 0xC7, 0xDA, 0x39, 0x6B };
    std::array<unsigned char, 256> s {};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[size_t(i)] + key[size_t(i) % key.size()]) & 0xFF;
        std::swap(s[size_t(i)], s[size_t(j)]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[size_t(i)]) & 0xFF;
        std::swap(s[size_t(i)], s[size_t(j)]);
        bytes[from + n] = char(uchar(bytes[from + n]) ^ s[size_t((s[size_t(i)] + s[size_t(j)]) & 0xFF)]);
    }
}

QString cutAtNul(QString text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

JetHeader::JetHeader(const QString& file, const QByteArray& head, qint64 size)
{
    if (head.size() < 0x100 || (head.mid(4, 15) != "Standard Jet DB" && head.mid(4, 15) != "Standard ACE DB"))
        throw CourseError(QStringLiteral("%1: not a Jet database (no Jet signature on its first page)").arg(file));
    const int version = uchar(head.at(versionOffset));
    if (version == 0)
        m_version = Version::Jet3;
    else if (version == 1)
        m_version = Version::Jet4;
    else
        throw CourseError(QStringLiteral("%1: Jet database of an unknown format version (%2); "
                                         "only Jet 3 and Jet 4 files can be read")
                              .arg(file)
                              .arg(version));
    if (head.size() < pageSize() && head.size() < size)
        throw CourseError(QStringLiteral("%1: the first page could not be read whole").arg(file));
    if (size < 3 * qint64(pageSize()) || size % pageSize() != 0)
        throw CourseError(QStringLiteral("%1: the file is truncated (%2 bytes is not a whole number of %3 pages of %4 bytes)")
                              .arg(file)
                              .arg(size)
                              .arg(versionName())
                              .arg(pageSize()));
    m_pageCount = size / pageSize();

    QByteArray page = head.left(pageSize());
    rc4(page, maskedStart, m_version == Version::Jet3 ? 126 : 128);
    const auto* bytes = reinterpret_cast<const uchar*>(page.constData());
    const int codePage = qFromLittleEndian<quint16>(bytes + codePageOffset);
    if (codePage != 0)
        m_codePage = codePage;

    if (m_version == Version::Jet3) {
        m_password = cutAtNul(QString::fromLatin1(page.mid(passwordOffset, 20)));
    } else {
        // Jet 4 also masks the password with the whole days of the creation date.
        double created = 0;
        std::memcpy(&created, bytes + creationDateOffset, sizeof created);
        created = qFromLittleEndian(created);
        const qint32 days = std::isfinite(created) && std::abs(created) < 1e9 ? qint32(std::floor(created)) : 0;
        uchar mask[4];
        qToLittleEndian(days, mask);
        QByteArray password = page.mid(passwordOffset, 40);
        for (int i = 0; i < password.size(); ++i)
            password[i] = char(uchar(password[i]) ^ mask[i % 4]);
        m_password = cutAtNul(QString::fromUtf16(reinterpret_cast<const char16_t*>(password.constData()), password.size() / 2));
    }
}

JetHeader JetHeader::read(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw CourseError(QStringLiteral("%1: the database file cannot be read (%2)").arg(file, f.errorString()));
    return JetHeader(file, f.read(4096), f.size());
}
