#include "MediaProblem.h"

#include "CourseError.h"
#include "ErrorReport.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QMessageBox>

void reportMediaProblem(Shell& shell, QWidget* over, const CourseError& error)
{
    const QString text = QStringLiteral("Falta un archivo de esta lección o no se puede abrir.");
    shell.trace().event("message", { { QStringLiteral("text"), text }, { QStringLiteral("detail"), error.message() } });
    auto* box = new QMessageBox(QMessageBox::Warning, ErrorReport::programTitle(), text, QMessageBox::Ok, over);
    box->setInformativeText(error.message());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
