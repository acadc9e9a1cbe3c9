#include "ScreenCatalog.h"

#include "BigPictureScreen.h"
#include "CarouselScreen.h"
#include "ExplorerScreen.h"
#include "GlossaryScreen.h"
#include "HelpOverlay.h"
#include "InfoCardScreen.h"
#include "IntroScreen.h"
#include "MainMapScreen.h"
#include "PhotoCardScreen.h"
#include "PictureCardScreen.h"
#include "Shell.h"
#include "TestScreen.h"
#include "VideoLearningScreen.h"
#include "VideoScreen.h"

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
    add<GlossaryScreen>(shell, "frmind");
    add<TestScreen>(shell, "frmtest");
    add<PictureCardScreen>(shell, "frmbf");
    add<InfoCardScreen>(shell, "frmcft");
    add<PhotoCardScreen>(shell, "frmft");
    add<VideoLearningScreen>(shell, "frmva");
}
