#include "SubtitleWords.h"

#include "Trace.h"
#include "WholeWord.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

SubtitleWords::SubtitleWords(QTextEdit& subtitle, QWidget& noteParent, Database& content, Trace& trace)
    : QObject(&subtitle)
    , m_subtitle(subtitle)
    , m_parent(noteParent)
    , m_note(new QLabel(&noteParent))
    , m_lookup(content)
    , m_trace(trace)
{
    m_note->setObjectName(QStringLiteral("wordNote"));
    m_note->setFrameStyle(QFrame::Box);
    m_note->setAutoFillBackground(true);
    QPalette p = m_note->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 225));
    p.setColor(QPalette::WindowText, Qt::black);
    m_note->setPalette(p);
    m_note->setMargin(3);
    m_note->setTextFormat(Qt::RichText);
    m_note->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_note->hide();
    connect(m_note, &QLabel::linkActivated, this, [this](const QString& link) {
        const QString term = link.mid(link.indexOf(QLatin1Char(':')) + 1);
        m_trace.event("study", { { QStringLiteral("op"), QStringLiteral("glossary") }, { QStringLiteral("term"), term } });
        hideNote();
        emit glossaryRequested(term);
    });
    m_subtitle.viewport()->setMouseTracking(true);
    m_subtitle.viewport()->installEventFilter(this);
    // A new phrase takes its words along.
    connect(&m_subtitle, &QTextEdit::textChanged, this, &SubtitleWords::hideNote);
}

QString SubtitleWords::wordAt(const QPoint& pos) const
{
    const QPointF inDocument(pos.x() + m_subtitle.horizontalScrollBar()->value(), pos.y() + m_subtitle.verticalScrollBar()->value());
    const int at = m_subtitle.document()->documentLayout()->hitTest(inDocument, Qt::ExactHit);
    if (at < 0)
        return {};
    // The text widget's own word boundaries cut "don't" and "well-known" apart.
    const QTextBlock block = m_subtitle.document()->findBlock(at);
    return WholeWord::at(block.text(), at - block.position());
}

void SubtitleWords::showWord(const QString& word, int x)
{
    if (word.isEmpty()) {
        hideNote();
        return;
    }
    if (word == m_shown && m_note->isVisible())
        return;
    m_shown = word;
    const WordLookup::Result result = m_lookup.lookup(word);
    QJsonArray translations;
    for (const QString& t : result.translations)
        translations << t;
    QJsonObject event { { QStringLiteral("op"), QStringLiteral("word") }, { QStringLiteral("word"), word }, { QStringLiteral("term"), result.term },
        { QStringLiteral("translations"), translations } };
    if (const QString error = m_lookup.stemmerError(); !error.isEmpty())
        event.insert(QStringLiteral("error"), error); // only whole words are looked up
    m_trace.event("study", event);
    if (result.found()) {
        m_note->setText(QStringLiteral("<b>%1</b>: %2<br><a href=\"glosario:%3\">Ver «%3» en el glosario</a>")
                            .arg(result.word.toHtmlEscaped(), result.translations.join(QStringLiteral(", ")).toHtmlEscaped(),
                                result.term.toHtmlEscaped()));
    } else {
        m_note->setText(QStringLiteral("«%1» no está en el glosario").arg(result.word.toHtmlEscaped()));
    }
    m_note->adjustSize();
    // Above the subtitle, kept on the screen.
    const QPoint corner = m_subtitle.viewport()->mapTo(&m_parent, QPoint(x, 0));
    const int left = std::clamp(corner.x() - m_note->width() / 2, 0, std::max(0, m_parent.width() - m_note->width()));
    int top = m_subtitle.mapTo(&m_parent, QPoint(0, 0)).y() - m_note->height() - 2;
    if (top < 0)
        top = m_subtitle.mapTo(&m_parent, QPoint(0, m_subtitle.height())).y() + 2;
    m_note->move(left, top);
    m_note->raise();
    m_note->show();
}

void SubtitleWords::hideNote()
{
    m_note->hide();
    m_shown.clear();
}

bool SubtitleWords::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_subtitle.viewport() && (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress)) {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        const QString word = wordAt(pos);
        // Off the words the note stays, so that the pointer can reach its link.
        if (!word.isEmpty())
            showWord(word, pos.x());
    }
    return QObject::eventFilter(watched, event);
}
