#include "GlossaryScreen.h"

#include "ControlFactory.h"
#include "CourseError.h"
#include "Database.h"
#include "FrameButton.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "NineDigitColour.h"
#include "PictureList.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "Shell.h"
#include "SpanishCollation.h"
#include "Trace.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

enum GlossaryObject { Window = 1, Button = 5, TermList = 6, LetterIndex = 9, EntryBox = 15, Caption = 20 };

QFont rowFont(const Recordset& row)
{
    QFont font(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        font.setPointSizeF(points);
    return font;
}

QRect rowRect(const Recordset& row)
{
    return QRect(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), int(row.number(QStringLiteral("ancho"))),
        int(row.number(QStringLiteral("alto"))));
}

// The close button is part of the window's own design, drawn here rather than read.
QPixmap closePicture()
{
    QPixmap picture(18, 18);
    picture.fill(QColor(128, 0, 0));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2.5));
    painter.drawLine(QPointF(5, 5), QPointF(13, 13));
    painter.drawLine(QPointF(13, 5), QPointF(5, 13));
    return picture;
}

/// Makes current in LIST the first term whose first letter is LETTER, leading marks such
/// as "¿", "¡" or quotes skipped; returns its index, or -1 (the list stays).
int findInitial(PictureList& list, const QString& letter)
{
    for (int i = 0; i < list.count(); ++i) {
        const QString term = list.itemText(i);
        const auto initial = std::find_if(term.cbegin(), term.cend(), [](QChar c) { return c.isLetterOrNumber(); });
        if (initial != term.cend() && SpanishCollation::startsWith(QString(*initial), letter))
            return list.find(term); // the term itself: no earlier one starts with all of it
    }
    return -1;
}

} // namespace

GlossaryScreen::GlossaryScreen(Shell& shell)
    : Screen(shell, QStringLiteral("frmind"), 8)
{
    setMouseTracking(true);
    setAutoFillBackground(true);
}

GlossaryScreen::~GlossaryScreen() = default;

void GlossaryScreen::traceGlossary(const char* op, QJsonObject fields) const
{
    fields.insert(QStringLiteral("op"), QString::fromLatin1(op));
    shell().trace().event("glossary", fields);
}

void GlossaryScreen::ScreenLoad()
{
    // The boxes first: a glossary without them cannot open, and nothing else is worth building.
    try {
        createEntryBoxes();
    } catch (const CourseError& error) {
        m_failure = error.message();
        m_unregistered = !ControlFactory().isRegistered(QLatin1String(EntryControl));
        return;
    }
    auto close = new FrameButton(0, this);
    close->setObjectName(QStringLiteral("Imagex0"));
    close->setPixmap(closePicture());
    close->resize(close->pixmap().size());
    close->setCursor(handCursor());
    Imagex.push_back(close);

    auto rows = shell().state().ContentDb->openRecordset(QStringLiteral("select * from pantalla where codigo = 8 order by objeto"));
    for (; !rows->isEof(); rows->moveNext()) {
        switch (rows->number(QStringLiteral("objeto"))) {
        case Window: buildWindow(*rows); break;
        case Button: buildButton(*rows); break;
        case TermList: buildList(*rows); break;
        case LetterIndex: buildLetters(*rows); break;
        case EntryBox: buildEntryBox(*rows); break;
        case Caption: buildCaption(*rows); break;
        default: break;
        }
    }
    for (int side : { Spanish, English }) {
        if (!lista[size_t(side)])
            throw CourseError(QStringLiteral("the glossary (screen 8) has no %1 term list (object 6)").arg(side == Spanish ? "Spanish" : "English"));
    }
    close->move(width() - close->width() - 4, 4);
    for (size_t i = 0; i < Imagex.size(); ++i) {
        connect(Imagex[i], &FrameButton::moved, this, [this](int index) {
            if (index == 0)
                lightCloseButton(true);
        });
        connect(Imagex[i], &FrameButton::clicked, this, [this] { shell().guarded([this] { Unload(); }); });
        Imagex[i]->setVisible(i == 0);
        Imagex[i]->raise();
    }
    indice();
    m_drag.centre();
}

void GlossaryScreen::createEntryBoxes()
{
    ControlFactory factory;
    factory.setTrace(&shell().trace());
    for (int side : { Spanish, English }) {
        QWidget* box = factory.create(QLatin1String(EntryControl), this);
        box->setObjectName(QStringLiteral("text1_%1").arg(side));
        box->hide();
        // Bound by name, as the library is: the player never links it.
        const QMetaObject* meta = box->metaObject();
        const QMetaMethod change = meta->method(meta->indexOfSignal("Change()"));
        const QMetaMethod mouseDown = meta->method(meta->indexOfSignal("MouseDown(qint16&,qint16&,float&,float&)"));
        const QMetaMethod keyPress = meta->method(meta->indexOfSignal("KeyPress(qint16&)"));
        const QMetaObject* own = metaObject();
        if (!change.isValid() || !mouseDown.isValid() || !keyPress.isValid())
            throw CourseError(QStringLiteral("The control %1 raises no Change, MouseDown or KeyPress event").arg(QLatin1String(EntryControl)));
        connect(box, change, this, own->method(own->indexOfSlot("text1Change()")));
        connect(box, mouseDown, this, own->method(own->indexOfSlot("text1MouseDown()")));
        connect(box, keyPress, this, own->method(own->indexOfSlot("text1KeyPress()")));
        text1[size_t(side)] = box;
    }
}

void GlossaryScreen::buildWindow(const Recordset& row)
{
    const int w = int(row.number(QStringLiteral("ancho")));
    const int h = int(row.number(QStringLiteral("alto")));
    if (w <= 0 || h <= 0)
        throw CourseError(QStringLiteral("the glossary's window row (screen 8, object 1) gives no size (ancho %1, alto %2)").arg(w).arg(h));
    setFixedSize(w, h);
    QPalette p = palette();
    p.setColor(QPalette::Window, nineDigitColour(row.text(QStringLiteral("bitmapactivo"))));
    setPalette(p);
}

void GlossaryScreen::buildButton(const Recordset& row)
{
    Imagex.push_back(overlayButton(int(Imagex.size()), row));
}

void GlossaryScreen::buildList(const Recordset& row)
{
    const int k = row.number(QStringLiteral("identificativo")) == 1 ? Spanish : English;
    auto* list = new PictureList(this);
    list->setObjectName(QStringLiteral("lista%1").arg(k));
    const QString rest = row.text(QStringLiteral("bitmapreposo")).trimmed();
    const QString selected = row.text(QStringLiteral("bitmapactivable")).trimmed();
    list->setPictures(rest.isEmpty() ? QPixmap() : loadPicture(rest), selected.isEmpty() ? QPixmap() : loadPicture(selected));
    list->setColour(nineDigitColour(row.text(QStringLiteral("bitmapactivo"))));
    const QFont font = rowFont(row);
    list->setEntryFont(font.family(), font.pointSizeF());
    list->setGeometry(rowRect(row));
    connect(list, &PictureList::click, this, [this, k] { shell().guarded([&] { ListaClick(k); }); });
    connect(list, &PictureList::mouseDown, this, [this, k] { ListaMouseDown(k); });
    delete lista[size_t(k)];
    lista[size_t(k)] = list;
}

void GlossaryScreen::buildEntryBox(const Recordset& row)
{
    const auto index = row.number(QStringLiteral("identificativo")) - 1;
    if (index != Spanish && index != English)
        throw CourseError(QStringLiteral("the glossary's entry box row (screen 8, object 15) names box %1; there are boxes 1 and 2")
                              .arg(index + 1));
    QWidget* box = text1[size_t(index)];
    box->setGeometry(rowRect(row));
    const QColor colour = nineDigitColour(row.text(QStringLiteral("bitmapactivo")));
    box->setProperty("BackColor", quint32(colour.red() + 256 * colour.green() + 65536 * colour.blue()));
    const QFont font = rowFont(row);
    box->setProperty("FontName", font.family());
    if (font.pointSizeF() > 0)
        box->setProperty("FontSize", float(font.pointSizeF()));
    box->show();
}

void GlossaryScreen::buildCaption(const Recordset& row)
{
    auto* label = new QLabel(row.text(QStringLiteral("bitmapreposo")), this);
    label->setObjectName(QStringLiteral("eti%1").arg(eti.size()));
    label->setFont(rowFont(row));
    const QColor colour = nineDigitColour(row.text(QStringLiteral("bitmapactivo")));
    QPalette p = label->palette();
    if (row.number(QStringLiteral("identificativo")) == 1) {
        // A band on the background: its colour behind, its size from the row.
        label->setGeometry(rowRect(row));
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        p.setColor(QPalette::Window, colour);
    } else {
        label->setWordWrap(true);
        label->move(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
        const int w = int(row.number(QStringLiteral("ancho")));
        label->resize(w > 0 ? w : label->sizeHint().width(), label->heightForWidth(w > 0 ? w : label->sizeHint().width()));
        p.setColor(QPalette::WindowText, colour);
    }
    label->setPalette(p);
    // Part of the body: the window is dragged by its captions too.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->show();
    eti.push_back(label);
}

void GlossaryScreen::buildLetters(const Recordset& row)
{
    LetterHighlight = nineDigitColour(row.text(QStringLiteral("bitmapactivo")));
    m_letters.build(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), rowFont(row), handCursor());
    letra = m_letters.letters();
    connect(&m_letters, &LetterRow::clicked, this, [this](int i) { shell().guarded([&] { LetraClick(i); }); });
    connect(&m_letters, &LetterRow::pointerMoved, this, [this] { lista[Spanish]->setHoverHighlight(false); });
}

void GlossaryScreen::indice()
{
    fillList(*lista[Spanish], QStringLiteral("glosesp"), QStringLiteral("id_esp"));
    fillList(*lista[English], QStringLiteral("glosing"), QStringLiteral("id_ing"));
    lista[Spanish]->setListIndex(0);
}

void GlossaryScreen::fillList(PictureList& list, const QString& table, const QString& idColumn)
{
    auto rows = shell().state().ContentDb->openRecordset(QStringLiteral("select * from %1 order by termino").arg(table));
    list.clear();
    for (; !rows->isEof(); rows->moveNext()) {
        const int index = list.addItem(rows->text(QStringLiteral("termino")));
        list.setItemData(index, qint32(rows->number(idColumn)));
    }
    list.show();
}

QString GlossaryScreen::refuseOpening()
{
    if (m_failure.isEmpty())
        return {};
    traceGlossary("open", { { QStringLiteral("result"), m_failure } });
    if (m_unregistered) // a player run from its build folder before its first-run step
        return UnregisteredMessage;
    return QStringLiteral("El glosario no se puede abrir.");
}

void GlossaryScreen::ScreenActivate()
{
    ModuleState& state = shell().state();
    show();
    raise();
    if (!state.GlossaryOpen)
        traceGlossary("open", { { QStringLiteral("count"), lista[Spanish]->count() + lista[English]->count() } });
    state.GlossaryOpen = true;
    shell().navigator().SetScreenEnabled(state.CurrentScreen, false);
    text1[Spanish]->setFocus();
    if (!m_termToShow.isEmpty())
        showEnglishTerm(std::exchange(m_termToShow, QString()));
}

void GlossaryScreen::Unload()
{
    ModuleState& state = shell().state();
    state.GlossaryOpen = false;
    shell().navigator().SetScreenEnabled(state.CurrentScreen, true);
    traceGlossary("close", {});
    shell().closeOverlay(this);
}

QString GlossaryScreen::entryText(int side) const
{
    return text1[size_t(side)]->property("Text").toString();
}

void GlossaryScreen::setEntryText(int side, const QString& text)
{
    text1[size_t(side)]->setProperty("Text", text);
}

int GlossaryScreen::sideOf(QObject* entryBox) const
{
    return entryBox == text1[English] ? English : Spanish;
}

bool GlossaryScreen::showEnglishTerm(const QString& term)
{
    PictureList* list = lista[English];
    if (!list || !isVisible()) {
        // Opened just now: the term is shown once the glossary is up.
        m_termToShow = term;
        return true;
    }
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).compare(term, Qt::CaseInsensitive) != 0)
            continue;
        list->setTopIndex(i);
        ListaMouseDown(English);
        PressedEntry = qint16(i);
        // A change of entry raises the list's click, which looks the term up; the entry
        // already current is looked up here.
        if (list->listIndex() == i)
            ListaClick(English);
        else
            list->setListIndex(i);
        return true;
    }
    return false;
}

void GlossaryScreen::ListaMouseDown(int k)
{
    TypingSpanish = false;
    TypingEnglish = false;
    ActiveSide = qint16(k);
    PressedEntry = qint16(lista[size_t(k)]->listIndex());
}

void GlossaryScreen::ListaClick(int k)
{
    if (!typing(ActiveSide))
        lista[size_t(ActiveSide)]->setListIndex(PressedEntry);
    PictureList& list = *lista[size_t(k)];
    const qint32 id = list.itemData(list.listIndex());
    QueryDef query = shell().state().ContentDb->queryDef(k == Spanish ? QStringLiteral("consulta-esp-ing") : QStringLiteral("consulta-ing-esp"));
    query.setParameter(k == Spanish ? QStringLiteral("codesp") : QStringLiteral("coding"), id);
    auto rows = query.openRecordset();
    QStringList translations;
    for (; !rows->isEof(); rows->moveNext())
        translations << rows->text(QStringLiteral("termino"));
    if (!translations.isEmpty())
        (k == Spanish ? LastEnglishTranslation : LastSpanishTranslation) = translations.last();
    const QString result = translations.join(QStringLiteral(", "));
    traceGlossary("lookup", { { QStringLiteral("side"), k }, { QStringLiteral("term"), list.text() }, { QStringLiteral("id"), id },
                                { QStringLiteral("result"), result }, { QStringLiteral("count"), translations.size() } });
    const int other = k == Spanish ? English : Spanish;
    if (!typing(other)) {
        QWidget* box = text1[size_t(other)];
        QMetaObject::invokeMethod(box, "MeterTexto", Qt::DirectConnection, Q_ARG(QString, result));
        // The box never scrolls: translations wider than it are read whole under the pointer.
        const QWidget* shown = box->findChild<QLineEdit*>();
        shown = shown ? shown : box;
        const bool cut = QFontMetrics(shown->font()).horizontalAdvance(result) > shown->contentsRect().width() - 4;
        box->setToolTip(cut ? result : QString());
    }
}

void GlossaryScreen::text1Change()
{
    const int k = sideOf(sender());
    shell().guarded([&] { TextChange(k); });
}

void GlossaryScreen::text1MouseDown()
{
    TextMouseDown(sideOf(sender()));
}

void GlossaryScreen::text1KeyPress()
{
    TextKeyPress(sideOf(sender()));
}

void GlossaryScreen::TextChange(int k)
{
    PictureList& list = *lista[size_t(k)];
    if (typing(k)) {
        const QString text = entryText(k);
        // A text no term begins with leaves the list where it was.
        const int found = list.find(text);
        if (found >= 0)
            list.setTopIndex(found);
        traceGlossary("type", { { QStringLiteral("side"), k }, { QStringLiteral("term"), text }, { QStringLiteral("result"), found >= 0 ? list.text() : QString() } });
    } else {
        list.find(k == Spanish ? LastSpanishTranslation : LastEnglishTranslation);
    }
}

void GlossaryScreen::TextMouseDown(int k)
{
    setEntryText(k, QString());
    text1[size_t(k)]->setFocus();
    ActiveSide = qint16(k);
    typing(k) = true;
    typing(k == Spanish ? English : Spanish) = false;
}

void GlossaryScreen::TextKeyPress(int k)
{
    // The box the learner types into types ahead, whether he pressed into it first or
    // it had the focus from the opening: a character is about to change its text.
    if (typing(k))
        return;
    ActiveSide = qint16(k);
    typing(k) = true;
    typing(k == Spanish ? English : Spanish) = false;
}

void GlossaryScreen::LetraClick(int i)
{
    m_letters.highlight(i, LetterHighlight);
    const int side = ActiveSide;
    typing(side) = true;
    PictureList& list = *lista[size_t(side)];
    const int found = findInitial(list, letra[size_t(i)]->text());
    traceGlossary("letter", { { QStringLiteral("side"), side }, { QStringLiteral("term"), letra[size_t(i)]->text() },
                                { QStringLiteral("result"), found >= 0 ? list.text() : QString() } });
    // The box shows the term found, and its change scrolls the list to it.
    if (found >= 0)
        setEntryText(side, list.text());
    TypingSpanish = false;
    TypingEnglish = false;
}

void GlossaryScreen::lightCloseButton(bool lit)
{
    if (Imagex.size() < 2)
        return;
    Imagex[1]->setVisible(lit);
    if (lit)
        Imagex[1]->raise();
}

void GlossaryScreen::mousePressEvent(QMouseEvent* event)
{
    m_drag.press(*event);
}

void GlossaryScreen::mouseMoveEvent(QMouseEvent* event)
{
    lightCloseButton(false);
    for (PictureList* list : lista)
        list->setHoverHighlight(false);
    m_drag.move(*event);
}

void GlossaryScreen::keyPressEvent(QKeyEvent* event)
{
    // Esc closes the window wherever its keys are, the entry boxes included (they leave
    // Esc to their window); it never reaches the screen beneath.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        shell().guarded([this] { Unload(); });
        return;
    }
    Screen::keyPressEvent(event);
}

void GlossaryScreen::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.release(*event))
        traceGlossary("drag", { { QStringLiteral("x"), x() }, { QStringLiteral("y"), y() } });
}
