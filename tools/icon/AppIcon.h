#pragma once

#include <QImage>

/// The player's icon: an English greeting answering a Spanish one, in two speech
/// bubbles on a blue tile. Drawn as shapes, so that every size of the icon theme is
/// drawn sharp rather than scaled from another.
namespace AppIcon {

/// The icon at SIZE × SIZE pixels, on a transparent ground.
QImage draw(int size);

} // namespace AppIcon
