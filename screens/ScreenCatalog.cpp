#include "ScreenCatalog.h"

#include "BigPictureScreen.h"
#include "CarouselScreen.h"
#include "ExplorerScreen.h"
#include "HelpOverlay.h"
#include "IntroScreen.h"
#include "MainMapScreen.h"
#include "Shell.h"
#include "VideoScreen.h"
#include "VideoLearningScreen.h"

namespace {

template<typename T>
void add(Shell& shell, const char* name)
{
    shell.registerWindow(QLatin1String(name), [](Shell& s) { return new T(s); });
}

} // namespace

void registerScreens(Shell& shell)
{
    add<MainMapScreen>(shell, "frmms");
    add<BigPictureScreen>(shell, "frmc");
    add<IntroScreen>(shell, "frmintro");
    add<HelpOverlay>(shell, "frmayu");
    add<CarouselScreen>(shell, "frmct");
    add<VideoScreen>(shell, "frmsa");
    add<ExplorerScreen>(shell, "frmexp");
    add<VideoLearningScreen>(shell, "frmva");
}
