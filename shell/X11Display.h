#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>

/// The X server's own answer to "how big is the primary screen", asked before any Qt
/// application exists: the stage's scale must be set before Qt starts, and a Qt
/// application made only to measure the display costs as much again as the X
/// connection it needs.
class X11Display {
public:
    /// The size in device pixels of the screen that Qt's xcb platform will take as its
    /// primary one on DISPLAY_NAME (null: $DISPLAY): the primary RandR monitor of the
    /// display's default screen, else its first monitor, else the whole screen, as Qt
    /// chooses. Empty when there is no X server there, or when it is too old to list its
    /// monitors (RandR before 1.5), where Qt goes by other rules.
    static std::optional<QSize> primaryScreenSize(const char* displayName);

    /// Whether Qt, made with these arguments in this environment, takes its xcb platform:
    /// the one chosen when nothing says otherwise, outside a Wayland session.
    static bool chosenByQt(int argc, char** argv);

    /// The display Qt's xcb platform connects to: -display's value, else null ($DISPLAY).
    static QByteArray displayName(int argc, char** argv);

    /// Whether an X server answers on DISPLAY_NAME (null: $DISPLAY). Qt itself aborts
    /// when none does.
    static bool reachable(const char* displayName);
};
