#pragma once

#include "ComponentLibrary.h"
#include "ScreenCatalog.h"
#include "Shell.h"
#include "VideoLearningScreen.h"

/// The conversation screen of SHELL, as the player makes it: the `rolda` control of the
/// library ROLDA registered first (the glossary needs it), then every screen.
inline VideoLearningScreen* conversationScreen(Shell& shell, const QString& rolda)
{
    ComponentLibrary(rolda).registerServer();
    registerScreens(shell);
    return static_cast<VideoLearningScreen*>(shell.window(QStringLiteral("frmva")));
}
