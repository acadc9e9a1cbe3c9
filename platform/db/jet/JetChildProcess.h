#pragma once

#include "ReaderProcess.h"

/// Runs work on a Jet file in the Jet reader program (see ReaderProcess). libmdb trusts
/// the pages it reads: on a damaged file it has been seen to loop for ever in the
/// catalog's property blobs and to dump whole pages onto standard error. The child says
/// "table NAME" as it goes; TAMSEL_JET_STDERR keeps libmdb's dumps.
class JetChildProcess : public ReaderProcess {
public:
    /// The reader program's file name; it lives in the folder of the program that uses it.
    static constexpr const char* ReaderProgram = "tamsel-jet-reader";

    /// FILE names the Jet file for error messages; SILENCE is the longest time in
    /// milliseconds the child may go without sending anything.
    explicit JetChildProcess(const QString& file, int silenceMs = 30000);

    /// The reader program beside the running program.
    static QString readerPath() { return programPath(ReaderProgram); }
};
