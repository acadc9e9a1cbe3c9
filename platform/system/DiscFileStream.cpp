#include "DiscFileStream.h"

#include "DiscFileReader.h"

DiscFileStream::DiscFileStream(std::shared_ptr<const DiscFileReader> reader)
    : m_reader(std::move(reader))
{
}

DiscFileStream::~DiscFileStream() = default;

qint64 DiscFileStream::size() const
{
    return m_reader->size();
}

qint64 DiscFileStream::readData(char* data, qint64 maxSize)
{
    const qint64 got = m_reader->read(pos(), data, maxSize);
    if (got < 0)
        setErrorString(m_reader->failure());
    return std::max<qint64>(got, 0);
}
