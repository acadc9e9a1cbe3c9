#pragma once

#include "DiscTree.h"

#include <QString>
#include <memory>
#include <mutex>

class DiscSectors;

/// One file of a disc image read where it lies, at any offset, from any thread: what
/// plays a video or sound off the image while its copy is still being made. It holds the
/// image's sectors itself, so it reads on after the image that made it is closed.
class DiscFileReader {
public:
    DiscFileReader(std::shared_ptr<const DiscSectors> sectors, const QString& image, const DiscTree::Entry& entry);

    qint64 size() const { return m_entry.size; }
    QString path() const { return m_entry.path; }

    /// Reads up to SIZE bytes at OFFSET into OUT: the bytes read, 0 at the file's end, or
    /// -1 when the image cannot give them (failure() says why from then on).
    qint64 read(qint64 offset, char* out, qint64 size) const;
    /// Why a read failed (the image damaged or cut short); empty while none has.
    QString failure() const;

private:
    std::shared_ptr<const DiscSectors> m_sectors;
    QString m_image;
    DiscTree::Entry m_entry;
    mutable std::mutex m_lock;
    mutable QString m_failure;
};
