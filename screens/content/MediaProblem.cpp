#include "MediaProblem.h"

#include "CourseError.h"
#include "ErrorReport.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QMessageBox>

void reportMediaProblem(Shell& shell, QWidget* over, const CourseError& error)
{
    // The learner reads Spanish; which file and why is for whoever reads the trace.
    const QString text = QStringLiteral("Falta un archivo de esta lección o no se puede abrir.");
    shell.trace().event("message", { { QStringLiteral("text"), text }, { QStringLiteral("detail"), error.message() } });
    auto* box = new QMessageBox(QMessageBox::Warning, ErrorReport::programTitle(), text, QMessageBox::Ok, over);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
