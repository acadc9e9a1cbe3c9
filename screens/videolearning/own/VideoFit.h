#pragma once

#include <QRect>
#include <QSize>

/// Where a video of any shape goes in the screen's video area: as large as the area lets
/// it be, its shape kept, never beyond the area, centred in it. The course's own videos
/// were made for their place; a learner's film may be 1920 x 1080 or upright.
namespace VideoFit {

/// The rectangle for a picture of PICTURE pixels inside AREA; AREA itself when the
/// picture's size is not known (yet) or the area is empty.
QRect fit(const QSize& picture, const QRect& area);

} // namespace VideoFit
