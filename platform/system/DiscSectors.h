#pragma once

#include <QString>
#include <mutex>

/// The 2048-byte data sectors of a disc, however it was kept: an ISO 9660 image file
/// (read straight from the file), a BIN/CUE pair (raw 2352-byte sectors of mode 1 or mode
/// 2/XA, opened by its `.cue` or by the `.bin` beside one) or a Nero image (`.nrg`),
/// both through libcdio's image drivers, or a block device holding the disc (a drive,
/// read through libcdio's driver; any other block device holding ISO 9660 is read as the
/// image file is). Only ever read; read() may be called from several threads.
class DiscSectors {
public:
    enum class Kind { IsoFile, BinCue, Nero, Device };

    /// Opens IMAGE. Throws CourseError naming it when it cannot be opened as any kind.
    explicit DiscSectors(const QString& image);
    ~DiscSectors();
    DiscSectors(const DiscSectors&) = delete;
    DiscSectors& operator=(const DiscSectors&) = delete;

    /// Whether PATH names a block device (a disc in its drive).
    static bool isDevice(const QString& path);
    /// Whether PATH is opened through one of libcdio's drivers (all but ISO files), whose
    /// parsers of cue sheets and Nero footers are not to be trusted in the player itself.
    static bool needsDriver(const QString& path);

    Kind kind() const { return m_kind; }
    static QString kindText(Kind kind);

    /// Bytes of data the disc holds: its sectors times 2048 (a file's size for an ISO file).
    qint64 size() const { return m_size; }

    /// Reads COUNT sectors from LSN into OUT (COUNT × 2048 bytes); false when they are not
    /// all there or cannot be read.
    bool read(quint32 lsn, int count, char* out) const;

    /// Gives all reads of all discs together at most BYTESPERSECOND, one after another as
    /// a slow medium does (a USB stick, an optical drive): what tests and benchmarks try the
    /// player on. 0, as it starts, reads as fast as the image is given.
    static void setPace(qint64 bytesPerSecond);

private:
    bool readRaw(quint32 lsn, int count, char* out) const;
    void openFile(const QString& image);
    static bool startsAsIso(const QString& file);

    QString m_image;
    Kind m_kind = Kind::IsoFile;
    int m_fd = -1;                ///< the ISO file or block device read directly
    struct _CdIo* m_cdio = nullptr; ///< the image driver otherwise
    mutable std::mutex m_driver;    ///< held while the driver reads: copies may run side by side
    bool m_xa = false;            ///< its data track is of mode 2 (XA)
    qint64 m_size = 0;
};
