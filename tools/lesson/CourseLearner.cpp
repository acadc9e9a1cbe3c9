#include "CourseLearner.h"
#include "CourseError.h"
#include "DiscCopy.h"
#include "ExplainedError.h"
#include "ModuleState.h"
#include "ProfileFile.h"
#include "StartUp.h"
#include "Trace.h"

#include <QDir>

namespace CourseLearner {

QString folder(const QString& course)
{
    // The player's settings, under the player's own name.
    StartUp::standInFor(QStringLiteral("tamsel"));
    ModuleState state;
    Trace trace;
    StartUp start(state, trace, course);
    try {
        start.ResolveProgramFolder();
        // The course's own lesson numbers, which the learner's come after.
        start.OpenContentDatabase();
        // A course on a disc image: the player shows its copies in a window, this program none.
        DiscCopy::setShown({});
        try {
            start.prepareFirstRun();
        } catch (const ExplainedError&) {
            throw;
        } catch (const CourseError& error) {
            throw ExplainedError(error.message(),
                QStringLiteral("No se pueden preparar tus datos para el curso de %1: no se puede escribir en tu carpeta personal.")
                    .arg(QDir::toNativeSeparators(state.ProgramFolder)));
        }
        start.ReadInstallSettings();
        const QString bdw = ProfileFile(StartUp::expertIniPath()).value(state.InstallSection, QStringLiteral("BDW"));
        if (bdw.isEmpty())
            start.OpenUserDatabase(); // says, as the player does, what is missing
        return StartUp::learnerFolderFor(bdw, state.Folder);
    } catch (const ExplainedError& error) {
        throw CourseError(error.learnerText());
    }
}

} // namespace CourseLearner
