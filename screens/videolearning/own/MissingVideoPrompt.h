#pragma once

#include <QString>

class Shell;

/// What the learner is asked when the video of one of his lessons is no longer where it
/// was kept: "No se encuentra el vídeo «…»." and whether to look for it, to remove the
/// lesson or to leave it as it is. Trace: `ownvideo` {op: "missing", video, choice}.
class MissingVideoPrompt {
public:
    enum class Choice { LookForIt, Remove, Leave };

    /// Asks about VIDEO in a modal box over the screen in front ("Cerrar" the default, and
    /// what Esc and closing the box answer).
    static Choice ask(Shell& shell, const QString& video);

    static QString text(const QString& video);
};
