#include "PrintDialog.h"

#include "CourseError.h"
#include "ModuleState.h"
#include "PhotoCardScreen.h"
#include "PictureSurface.h"
#include "PrintJob.h"
#include "Recordset.h"
#include "RichTextBox.h"
#include "Shell.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

PrintDialog::PrintDialog(Shell& shell, PhotoCardScreen& screen, QWidget* parent)
    : QDialog(parent)
    , m_shell(shell)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("frmimpft"));
    setWindowTitle(QStringLiteral("Imprimir"));
    setModal(true);
    auto* frame = new QGroupBox(this);
    Label1 = new QLabel(QStringLiteral("¿Qué desea imprimir?"), frame);
    todos = new QRadioButton(QStringLiteral("Todos los epígrafes"), frame);
    Este = new QRadioButton(QStringLiteral("Este epígrafe"), frame);
    LaImagen = new QRadioButton(QStringLiteral("La Imagen"), frame);
    todos->setObjectName(QStringLiteral("todos"));
    Este->setObjectName(QStringLiteral("Este"));
    LaImagen->setObjectName(QStringLiteral("LaImagen"));
    Este->setChecked(true);
    auto* choices = new QVBoxLayout(frame);
    for (QWidget* w : std::initializer_list<QWidget*> { Label1, todos, Este, LaImagen })
        choices->addWidget(w);
    Command2 = new QPushButton(QStringLiteral("&Aceptar"), this);
    Command1 = new QPushButton(QStringLiteral("&Cancelar"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(Command2);
    row->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(row);
    rtf = new RichTextBox(this);
    rtf->setObjectName(QStringLiteral("rtf"));
    // The cards print as the screen shows them: a plain-text card in the screen's font.
    if (screen.rtf)
        rtf->setFont(screen.rtf->font());
    rtf->hide();
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
    connect(Command2, &QPushButton::clicked, this, [this] { m_shell.guarded([this] { Command2Click(); }); });
}

void PrintDialog::Command2Click()
{
    if (Este->isChecked()) {
        PrintJob job(m_shell, m_screen.printTitle());
        job.PrintRichText(*m_screen.rtf, 1440, 1440, 600, 500);
        job.finish();
    } else if (LaImagen->isChecked()) {
        PrintJob job(m_shell, m_screen.printTitle());
        job.printPicture(m_screen.foto->pixmap());
        job.finish();
    } else {
        const ModuleState& state = m_shell.state();
        auto rows = state.ContentDb->openRecordset(
            QStringLiteral("select * from ficha_fototextual where n_leccion = %1").arg(state.CurrentLesson));
        // Each card is a document of its own, named after its file (a course's names use
        // '\\'); a card whose file is missing is skipped. The learner is told once for
        // all of them.
        std::vector<PrintJob::Outcome> outcomes;
        for (; !rows->isEof(); rows->moveNext()) {
            const QString file = rows->text(QStringLiteral("fichero_epigrafe"));
            try {
                if (!rtf->loadFile(state.Folder.resolve(file)))
                    continue;
            } catch (const CourseError&) {
                continue;
            }
            PrintJob job(m_shell, QStringLiteral("%1 - %2").arg(m_screen.printTitle().section(QStringLiteral(" - "), 0, 0),
                                                                QFileInfo(file.trimmed().replace(QLatin1Char('\\'), QLatin1Char('/'))).completeBaseName()));
            job.PrintRichText(*rtf, 1440, 1440, 600, 500);
            outcomes.push_back(job.finish(PrintJob::Telling::Caller));
        }
        PrintJob::tell(m_shell, outcomes);
    }
    accept();
}
