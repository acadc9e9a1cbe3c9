#pragma once

#include <QString>
#include <functional>
#include <memory>

class DiscFileReader;
class QIODevice;

/// The files of disc images that are played while their copies are still being made,
/// known by the local path each copy will have once made (see CourseImage). What plays
/// a video or sound asks here for a path that is not there yet: it reads the file off
/// the image meanwhile; what needs the whole file waits for its copy.
namespace DiscStreams {

/// What reads the file off the image.
using Opener = std::function<std::shared_ptr<const DiscFileReader>()>;

struct Offer {
    Opener open;
    /// Waits until the copy has ended, well or not (showing its progress as copies do).
    std::function<void()> finish;
};

/// Makes PATH readable through OFFER until withdraw(PATH).
void offer(const QString& path, const Offer& offer);
void withdraw(const QString& path);

/// Whether PATH is no file yet but can be read off its disc image.
bool isStreamed(const QString& path);
/// The opener of PATH's stream while PATH is no file yet; empty otherwise.
Opener opener(const QString& path);
/// A device reading PATH, open: the file when it is there, its stream otherwise; null
/// when neither can be opened.
std::unique_ptr<QIODevice> open(const QString& path);
/// Why open(PATH) gave null.
QString openError(const QString& path);
/// Makes sure PATH is a whole file, waiting for its copy when it is being made. True
/// when it is a file afterwards.
bool finish(const QString& path);

} // namespace DiscStreams
