#pragma once

#include <QByteArray>
#include <QString>

/// Text as a Jet file stores it: Jet 4 keeps UTF-16, often with its "compression" (a
/// 0xFF 0xFE mark, then runs of one-byte Latin-1 characters and of two-byte characters
/// switched by NUL bytes); Jet 3 keeps bytes of the file's Windows code page.
class JetText {
public:
    /// CODEPAGE is the Windows code page of Jet 3 text; 0 means Jet 4 text.
    explicit JetText(int codePage);
    ~JetText();
    JetText(const JetText&) = delete;
    JetText& operator=(const JetText&) = delete;

    /// False when this system cannot decode the code page.
    bool isValid() const { return m_valid; }
    QString decode(const char* bytes, qsizetype size) const;
    QString decode(const QByteArray& bytes) const { return decode(bytes.constData(), bytes.size()); }

    /// Jet 4 text, compressed or not.
    static QString decodeJet4(const char* bytes, qsizetype size);

private:
    int m_codePage = 0;
    bool m_valid = true;
    void* m_iconv = nullptr;
};
