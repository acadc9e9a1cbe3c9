#include "JetChildProcess.h"

JetChildProcess::JetChildProcess(const QString& file, int silenceMs)
    : ReaderProcess({ ReaderProgram, "the Jet reader", "table", "TAMSEL_JET_STDERR" }, file, silenceMs)
{
}
