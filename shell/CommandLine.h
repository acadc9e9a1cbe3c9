#pragma once

#include "StageScale.h"

#include <QString>
#include <QStringList>

/// The player's options: --course DIR, --trace FILE, --scale N|fit, --window, -h/--help, -v/--version.
struct CommandLine {
    /// What parse() does with an argument it does not know.
    enum class Unknown { Refuse, Skip };

    QString course;
    QString trace;
    StageScale scale;
    bool window = false;
    bool help = false;
    bool version = false;
    QString error; ///< set when the arguments could not be understood

    /// Reads the arguments after the program's name. Skip passes over Qt's own options
    /// (-platform, -display, ...) for the read made before Qt has taken them out; any
    /// other unknown option is a mistake either way.
    static CommandLine parse(const QStringList& arguments, Unknown unknown = Unknown::Refuse);
    static QString usage();
};
