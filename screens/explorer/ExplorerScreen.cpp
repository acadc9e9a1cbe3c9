#include "ExplorerScreen.h"

#include "CourseError.h"
#include "CourseTree.h"
#include "FrameButton.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "NineDigitColour.h"
#include "OwnLessons.h"
#include "Recordset.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QLabel>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QToolTip>

namespace {

enum ExplorerObject { Window = 1, Button = 5, KindIcon = 12, Tree = 16, Title = 20 };

} // namespace

ExplorerScreen::ExplorerScreen(Shell& shell)
    : Screen(shell, QStringLiteral("frmexp"), 10)
    , Picture1(new PixelLabel(this))
{
    Picture1->setObjectName(QStringLiteral("Picture1"));
    // The window's picture is its body: presses on it drag the window.
    Picture1->setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(true);
    setAutoFillBackground(true);
}

ExplorerScreen::~ExplorerScreen() = default;

void ExplorerScreen::traceExplorer(const char* op, int lesson) const
{
    QJsonObject fields { { QStringLiteral("op"), QString::fromLatin1(op) } };
    if (lesson >= 0)
        fields.insert(QStringLiteral("lesson"), lesson);
    if (m_drag.isDragging() || qstrcmp(op, "drag") == 0) {
        fields.insert(QStringLiteral("x"), x());
        fields.insert(QStringLiteral("y"), y());
    }
    shell().trace().event("explorer", fields);
}

void ExplorerScreen::ScreenLoad()
{
    arbol = new CourseTree(shell(), this, CourseTree::Explorer);
    arbol->setObjectName(QStringLiteral("arbol"));
    connect(arbol, &CourseTree::nodeClicked, this, [this](QTreeWidgetItem* item) { shell().guarded([&] { NodeClick(item); }); });
    connect(arbol, &CourseTree::nodeCollapsed, this, [this](QTreeWidgetItem* item) { m_collapsed = item; });
    connect(arbol, &CourseTree::nodeExpanded, this, [this] { m_collapsed = nullptr; });
    // A press comes before the collapse it makes: one made after a collapse is a new
    // click of the learner's own, which the collapse must not swallow.
    connect(arbol, &CourseTree::pointerPressed, this, [this] { m_collapsed = nullptr; });
    connect(arbol, &CourseTree::pointerMoved, this, [this] { lightCloseButton(false); });

    auto rows = shell().state().ContentDb->openRecordset(QStringLiteral("select * from pantalla where codigo = 10 order by objeto"));
    for (; !rows->isEof(); rows->moveNext()) {
        switch (rows->number(QStringLiteral("objeto"))) {
        case Window: buildWindow(*rows); break;
        case Button: buildButton(*rows); break;
        case KindIcon: arbol->addKindIcon(*rows); break;
        case Tree: arbol->placeFromRow(*rows); break;
        case Title: buildTitle(*rows); break;
        default: break;
        }
    }
    // A long title gives way in its middle: its start and the best score at its end stay.
    arbol->setTextElideMode(Qt::ElideMiddle);
    arbol->viewport()->installEventFilter(this);
    arbol->Raiz();
    // Building the tree opens branches: no collapse is pending when the learner starts.
    m_collapsed = nullptr;
    if (!Imagex.empty())
        Imagex.front()->show();
    if (Imagex.size() > 1)
        Imagex[1]->hide();
    arbol->raise();
    for (FrameButton* button : Imagex)
        button->raise();
    // Each opening starts centred over the stage; the learner may drag it from there.
    m_drag.centre();
}

bool ExplorerScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (!arbol || watched != arbol->viewport() || event->type() != QEvent::ToolTip)
        return Screen::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTreeWidgetItem* item = arbol->itemAt(help->pos());
    if (!item)
        return false;
    // The room the title has: its cell less the icon and the margins around it.
    const QRect cell = arbol->visualItemRect(item);
    const int room = cell.width() - arbol->iconSize().width() - 3 * arbol->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) - 8;
    const bool cut = arbol->fontMetrics().horizontalAdvance(item->text(0)) > room;
    QStringList lines;
    if (cut)
        lines << item->text(0);
    if (!item->toolTip(0).isEmpty())
        lines << item->toolTip(0);
    if (lines.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), arbol->viewport(), cell);
    return true;
}

void ExplorerScreen::buildWindow(const Recordset& row)
{
    const int width = int(row.number(QStringLiteral("ancho")));
    const int height = int(row.number(QStringLiteral("alto")));
    if (width <= 0 || height <= 0)
        throw CourseError(QStringLiteral("the explorer's window row (screen 10, object 1) gives no size (ancho %1, alto %2)").arg(width).arg(height));
    setFixedSize(width, height);
    Picture1->setGeometry(0, 0, width, height);
    const QString picture = row.text(QStringLiteral("bitmapreposo"));
    if (!picture.trimmed().isEmpty())
        Picture1->setPixmap(loadPicture(picture));
}

void ExplorerScreen::buildButton(const Recordset& row)
{
    FrameButton* button = overlayButton(int(Imagex.size()), row);
    connect(button, &FrameButton::moved, this, [this](int index) {
        if (index == 0)
            lightCloseButton(true);
    });
    connect(button, &FrameButton::clicked, this, [this] { shell().guarded([this] { Unload(); }); });
    Imagex.push_back(button);
}

void ExplorerScreen::buildTitle(const Recordset& row)
{
    eti = new QLabel(row.text(QStringLiteral("bitmapreposo")), this);
    eti->setObjectName(QStringLiteral("eti"));
    eti->setGeometry(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), int(row.number(QStringLiteral("ancho"))),
        int(row.number(QStringLiteral("alto"))));
    QFont font(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        font.setPointSizeF(points);
    eti->setFont(font);
    eti->setAlignment(Qt::AlignCenter);
    const QString colour = row.text(QStringLiteral("bitmapactivo"));
    if (!colour.trimmed().isEmpty()) {
        eti->setAutoFillBackground(true);
        QPalette p = eti->palette();
        p.setColor(QPalette::Window, nineDigitColour(colour));
        eti->setPalette(p);
    }
    // Part of the body: the window is dragged by its title too.
    eti->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ExplorerScreen::lightCloseButton(bool lit)
{
    if (Imagex.size() < 2)
        return;
    Imagex[1]->setVisible(lit);
    if (lit)
        Imagex[1]->raise();
}

void ExplorerScreen::ScreenActivate()
{
    ModuleState& state = shell().state();
    m_lessonsTable = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    show();
    raise();
    shell().navigator().SetScreenEnabled(state.CurrentScreen, false);
    // Only the first activation of an opening brings the current lesson into view; a
    // later one (after a message, say) leaves the tree where the learner scrolled it.
    if (!state.ExplorerOpen)
        arbol->showSelectedNode();
    if (!state.ExplorerOpen)
        traceExplorer("open");
    state.ExplorerOpen = true;
}

void ExplorerScreen::NodeClick(QTreeWidgetItem* item)
{
    if (m_collapsed) {
        const bool withCollapse = item == m_collapsed;
        m_collapsed = nullptr;
        if (withCollapse)
            return;
    }
    const QString key = CourseTree::key(item);
    if (key.isEmpty() || (key.front() != QLatin1Char('R') && key.front() != QLatin1Char('N')))
        return; // chapters only open and close
    ModuleState& state = shell().state();
    const qint16 lesson = CourseTree::keyNumber(key);
    traceExplorer("lesson", lesson);
    // The tree takes clicks as soon as it is drawn, which can be before the queued
    // activation has opened the lesson table.
    if (!m_lessonsTable)
        m_lessonsTable = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    // The learner's own videos are conversation lessons of no course table.
    const bool own = OwnLessons::isOwnLesson(lesson);
    if (!own && !m_lessonsTable->findFirst(QStringLiteral("N_leccion = %1").arg(lesson))) {
        shell().showMessage(QStringLiteral("La lección \"%1\" no está en el curso.").arg(item->text(0)));
        return;
    }
    const auto tipo = own ? Navigator::ConversationKind : qint16(m_lessonsTable->number(QStringLiteral("tipo")));
    // A lesson no window can show leaves the learner in the explorer, as it was.
    if (Navigator::ScreenWindow(tipo).isEmpty() || !shell().window(Navigator::ScreenWindow(tipo))) {
        shell().trace().event("switch",
            { { QStringLiteral("from"), windowName() }, { QStringLiteral("to"), QString() }, { QStringLiteral("lesson"), lesson },
                { QStringLiteral("reason"), QStringLiteral("no window serves screen %1").arg(tipo) } });
        return;
    }
    shell().navigator().ResetCarouselPicture(state.CurrentScreen);
    if (shell().navigator().OpenLesson(lesson, this))
        Unload();
}

void ExplorerScreen::Unload()
{
    ModuleState& state = shell().state();
    state.ExplorerOpen = false;
    shell().navigator().SetScreenEnabled(state.CurrentScreen, true);
    traceExplorer("close");
    shell().closeOverlay(this);
}

void ExplorerScreen::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        shell().guarded([this] { Unload(); });
        return;
    }
    Screen::keyPressEvent(event);
}

void ExplorerScreen::mousePressEvent(QMouseEvent* event)
{
    m_drag.press(*event);
}

void ExplorerScreen::mouseMoveEvent(QMouseEvent* event)
{
    lightCloseButton(false);
    m_drag.move(*event);
}

void ExplorerScreen::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.release(*event))
        traceExplorer("drag");
}
