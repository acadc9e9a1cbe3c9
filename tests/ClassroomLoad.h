#pragma once

#include <QString>

class ClassroomServer;

/// Many learners writing to the classroom server at once: separate player processes
/// (tamsel-classroom-writer --load) on the loopback socket, bounded in number and time.
struct ClassroomLoad {
    int learners = 0;
    int writes = 0;       ///< visits and attempts the learners made
    int lost = 0;         ///< made but not on the server
    int duplicated = 0;   ///< taken by the server more often than made: rows it inserted beyond those of the writes it has
    double medianMs = -1; ///< the median of the learners' median times from the call to the server's confirmation
    double worstMs = -1;  ///< the longest of them all
    /// The same for the server's own part: from the sending to its answer, on the sync's thread.
    double serverMedianMs = -1;
    double serverWorstMs = -1;
    /// The same for the call itself, all the screen waits for (the journal's write).
    double callMedianMs = -1;
    double callWorstMs = -1;
    QString error;        ///< why the run could not be measured; empty when it was

    /// Runs LEARNERS writers (WRITER the program) for SECONDS against SERVER, their
    /// journals in FOLDER, and checks the server's rows against what each made.
    static ClassroomLoad run(ClassroomServer& server, const QString& writer, int learners, int seconds, const QString& folder);
};
