#pragma once

#include "ComponentLibrary.h"
#include "ScreenCatalog.h"
#include "Database.h"
#include "ModuleState.h"
#include "Shell.h"
#include "ShellHarness.h"
#include "TakeStore.h"
#include "VideoLearningScreen.h"

#include <QDir>

/// The conversation screen of SHELL, as the player makes it: the `rolda` control of the
/// library ROLDA registered first (the glossary needs it), then every screen.
inline VideoLearningScreen* conversationScreen(Shell& shell, const QString& rolda)
{
    ComponentLibrary(rolda).registerServer();
    registerScreens(shell);
    return static_cast<VideoLearningScreen*>(shell.window(QStringLiteral("frmva")));
}

/// The conversation screen of HARNESS for a learner who has seen nothing and recorded nothing.
inline VideoLearningScreen* conversationScreenOfANewLearner(ShellHarness& harness, const QString& rolda)
{
    harness.state.UserDb->execute(QStringLiteral("delete from lecciones_usuario"));
    QDir(TakeStore(harness.state.UserFolder).root()).removeRecursively();
    return conversationScreen(*harness.shell, rolda);
}
