#pragma once

#include <QUrl>
#include <memory>

class DiscFileReader;

/// The GStreamer source of the files that are read straight off a disc image (see
/// DiscStreams): an element of our own (`tamseldiscsrc`, for `tamsel-disc:` URIs) that
/// reads where GStreamer asks, in GStreamer's own thread, so that a player seeks in them
/// as in a local file and the window's thread never waits for the disc. A part of the
/// image that cannot be read is an error of the element, which says why.
namespace DiscSource {

/// A URI that a Qt player plays (as a file's) through READER, until withdraw() of it;
/// a pipeline already reading it reads on.
QUrl publish(std::shared_ptr<const DiscFileReader> reader);
void withdraw(const QUrl& uri);

} // namespace DiscSource
