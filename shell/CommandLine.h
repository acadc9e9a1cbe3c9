#pragma once

#include <QString>
#include <QStringList>

/// The player's options: --course DIR, --trace FILE, --help, --version.
struct CommandLine {
    QString course;
    QString trace;
    bool help = false;
    bool version = false;
    QString error; ///< set when the arguments could not be understood

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};
