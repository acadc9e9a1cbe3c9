#include "Trace.h"

#include <QJsonDocument>
#include <cstdio>

Trace::Trace()
{
    m_clock.start();
}

Trace::~Trace() = default;

bool Trace::open(const QString& target)
{
    if (target == QLatin1String("-"))
        return m_file.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    m_file.setFileName(target);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

void Trace::event(const char* name, const QJsonObject& fields)
{
    if (!m_file.isOpen())
        return;
    QJsonObject line = fields;
    line.insert(QStringLiteral("t"), m_clock.elapsed());
    line.insert(QStringLiteral("ev"), QString::fromLatin1(name));
    m_file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
