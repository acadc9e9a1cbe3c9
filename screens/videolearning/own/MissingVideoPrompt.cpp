#include "MissingVideoPrompt.h"

#include "ErrorReport.h"
#include "OwnLessons.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>

QString MissingVideoPrompt::text(const QString& video)
{
    return OwnLessons::missingVideoText(video) + QStringLiteral("\n¿Quieres buscarlo donde esté ahora, o quitar la lección de Mis vídeos?");
}

MissingVideoPrompt::Choice MissingVideoPrompt::ask(Shell& shell, const QString& video)
{
    QMessageBox box(QMessageBox::Warning, ErrorReport::programTitle(), text(video), QMessageBox::NoButton, &shell.host());
    box.setObjectName(QStringLiteral("missingVideo"));
    QPushButton* look = box.addButton(QStringLiteral("Buscarlo…"), QMessageBox::AcceptRole);
    QPushButton* remove = box.addButton(QStringLiteral("Quitar la lección"), QMessageBox::DestructiveRole);
    QPushButton* leave = box.addButton(QStringLiteral("Cerrar"), QMessageBox::RejectRole);
    box.setDefaultButton(leave);
    box.setEscapeButton(leave);
    shell.runModal(box);
    const Choice choice = box.clickedButton() == look ? Choice::LookForIt : box.clickedButton() == remove ? Choice::Remove : Choice::Leave;
    static const char* const names[] = { "look", "remove", "leave" };
    shell.trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("missing") }, { QStringLiteral("video"), video },
                                        { QStringLiteral("choice"), QString::fromLatin1(names[int(choice)]) } });
    return choice;
}
