#pragma once

#include <QIODevice>
#include <memory>

class DiscFileReader;

/// A file of a disc image read where it lies (DiscFileReader), as a random-access
/// device for what reads files through one. A part that cannot be read ends the file
/// there: reads give nothing more.
class DiscFileStream : public QIODevice {
    Q_OBJECT

public:
    explicit DiscFileStream(std::shared_ptr<const DiscFileReader> reader);
    ~DiscFileStream() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<const DiscFileReader> m_reader;
};
