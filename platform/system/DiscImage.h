#pragma once

#include "CourseError.h"
#include "DiscTree.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class DiscSectors;
class QIODevice;

/// A disc image whose tree cannot be read (damaged, hostile, or beyond the budgets): the
/// learner is told which image, the trace why.
class DamagedDiscImage : public CourseError {
public:
    DamagedDiscImage(const QString& image, const QString& reason)
        : CourseError(QStringLiteral("La imagen del disco está dañada: %1").arg(image))
        , m_reason(reason)
    {
    }
    QString reason() const { return m_reason; }

private:
    QString m_reason;
};

/// A disc image read where it lies (see DiscSectors for the kinds): the files of its
/// tree under the names the disc gives them (see DiscTree), and the bytes of one file.
/// The tree is read by the disc reader program (tamsel-disc-reader) in a process of its
/// own, within a time and memory ceiling and the tree's budgets, so that no image,
/// however made, can end or freeze the program that reads it. The image is opened
/// read-only: nothing is ever written into it.
class DiscImage {
public:
    using Names = DiscTree::Names;
    using Entry = DiscTree::Entry;

    /// The bytes of one sector.
    static constexpr qint64 SectorSize = DiscTree::SectorSize;
    /// The reader program's file name; it lives in the folder of the program that uses it.
    static constexpr const char* ReaderProgram = "tamsel-disc-reader";
    /// The longest the reader may take for a whole tree.
    static constexpr int ReadTreeMs = 10000;

    /// The tree as the reader gives it.
    struct Tree {
        Names names = Names::Iso9660;
        QList<Entry> entries; ///< every file and folder, a folder before what it holds
    };

    /// The volume descriptors of IMAGE as they lie on it, from sector 16 up to the set's
    /// terminator. Throws CourseError naming the image when it has none (a UDF-only disc
    /// said so), or is cut short before their end.
    static QByteArray volumeDescriptors(const QString& image);

    /// Opens IMAGE for reading its files. Throws CourseError naming it when it cannot be
    /// opened as any kind of disc.
    explicit DiscImage(const QString& image);
    ~DiscImage();
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;

    static bool isPlainName(const QString& name) { return DiscTree::isPlainName(name); }
    static QString namesText(Names names) { return DiscTree::namesText(names); }

    QString fileName() const { return m_image; }
    /// Bytes of data on the disc (see DiscSectors::size()).
    qint64 size() const;

    /// The tree, read by the reader program. Throws DamagedDiscImage naming the image
    /// when it crashes, overruns its time, or refuses the tree (damaged, over budget).
    Tree tree() const;

    /// Progress of a copy: bytes written so far.
    using Progress = std::function<void(qint64 done)>;

    /// Writes the bytes of the file ENTRY to OUT, telling PROGRESS as it goes when given.
    /// Throws CourseError naming the image and the file when they cannot be read (a
    /// damaged or cut short image) or written.
    void read(const Entry& entry, QIODevice& out, const Progress& progress = {}) const;

    /// What read() throws when OUT does not take what it is given (its disc full, say), as
    /// against the image not giving it.
    class WriteFailed : public CourseError {
    public:
        using CourseError::CourseError;
    };

    /// The image's sectors, for what reads them after this object is gone (DiscFileStream).
    std::shared_ptr<const DiscSectors> sectors() const { return m_sectors; }

    /// Why the file ENTRY cannot be read whole: the image is damaged or cut short, and
    /// how many of its bytes it holds.
    QString unreadable(const Entry& entry) const { return unreadable(*m_sectors, m_image, entry); }
    static QString unreadable(const DiscSectors& sectors, const QString& image, const Entry& entry);

    /// What the reader program is asked to do.
    enum class Work { Tree, Probe };

    /// The reader program's work: reads IMAGE's tree and sends it line by line to the
    /// parent through the pipe CHANNEL, or (Probe) only opens it and reads its volume
    /// descriptors. Returns the program's exit status.
    static int serve(int channel, const QString& image, Work work);

private:
    QString m_image;
    std::shared_ptr<const DiscSectors> m_sectors;
};
