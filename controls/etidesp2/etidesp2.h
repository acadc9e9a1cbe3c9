#pragma once

#include "PropertyBag.h"
#include "RoldaExport.h"

#include <QFont>
#include <QWidget>

class BoxBorder;
class TextBox;

/// The scrolling text control: a surface holding one inner text box `Text1` that may be
/// wider than the surface. A host pours a text in with MeterTexto, steps the visible
/// part over it with derecha and izquierda, and returns to its start with reinicia.
/// All coordinates are twips. Every property is the inner box's; every write notifies
/// propertyChanged with the property's name. A value a property cannot take changes
/// nothing: the write raises propertyRefused instead, and throws nothing, since hosts
/// write properties by name through Qt's property system, which no exception may cross.
class ROLDA_EXPORT etidesp2 : public QWidget {
    Q_OBJECT

    Q_CLASSINFO("ProgId", "rolda.etidesp2")
    Q_CLASSINFO("ClassId", "{C8F79B99-0B62-4297-90B0-3AB1A1DD9709}")
    Q_CLASSINFO("TypeLibrary", "rolda")
    Q_CLASSINFO("TypeLibraryId", "{0A7BB7B8-E680-467F-B366-C2E6663C7672}")
    Q_CLASSINFO("Version", "1.00")

    // Help strings that form editors show, one per property and event.
    Q_CLASSINFO("Help:BackColor", "Devuelve o establece el color de fondo usado para mostrar texto y gráficos en un objeto.")
    Q_CLASSINFO("Help:Font", "Devuelve un objeto Font.")
    Q_CLASSINFO("Help:FontName", "Especifica el nombre de la fuente que aparece en cada fila del nivel especificado.")
    Q_CLASSINFO("Help:FontSize", "Especifica el tamaño (en puntos) de la fuente que aparece en cada fila del nivel especificado.")
    Q_CLASSINFO("Help:ForeColor", "Devuelve o establece el color de primer plano usado para mostrar textos y gráficos en un objeto.")
    Q_CLASSINFO("Help:MultiLine", "Devuelve o establece un valor que determina si un control puede aceptar múltiples líneas de texto.")
    Q_CLASSINFO("Help:Enabled", "Devuelve o establece un valor que determina si un objeto puede responder a eventos generados por el usuario.")
    Q_CLASSINFO("Help:Text", "Devuelve o establece el texto contenido en el control.")
    Q_CLASSINFO("Help:Locked", "Determina si es posible modificar un control.")
    Q_CLASSINFO("Help:ScrollBars", "Devuelve o establece un valor que indica si un objeto tiene barras de desplazamiento horizontales o verticales.")
    Q_CLASSINFO("Help:KeyDown", "Ocurre cuando el usuario presiona una tecla mientras un objeto tiene el enfoque.")
    Q_CLASSINFO("Help:KeyPress", "Ocurre cuando el usuario presiona y suelta una tecla ANSI.")
    Q_CLASSINFO("Help:Change", "Ocurre cuando el contenido de un control ha cambiado.")
    Q_CLASSINFO("Help:MouseDown", "Ocurre cuando el usuario presiona el botón del mouse mientras un objeto tiene el enfoque.")
    Q_CLASSINFO("Help:MouseUp", "Ocurre cuando el usuario suelta el botón del mouse mientras un objeto tiene el enfoque.")

    // Font and Enabled are written through setInnerFont and setInnerEnabled: QWidget's
    // own font and enabled state belong to the surface and stay untouched.
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(QFont Font READ Font WRITE setInnerFont)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(float FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(bool MultiLine READ MultiLine)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setInnerEnabled)
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(bool Locked READ Locked WRITE setLocked)
    Q_PROPERTY(qint16 ScrollBars READ ScrollBars)

public:
    /// The scroll step of derecha and izquierda, in twips.
    static constexpr float ScrollStep = 180.0f;

    explicit etidesp2(QWidget* parent = nullptr);
    ~etidesp2() override;

    /// One step towards the end of the text, when the inner box's right edge lies beyond the surface's.
    Q_INVOKABLE void derecha();
    /// One step back towards the start, when the inner box's left edge lies before the surface's.
    Q_INVOKABLE void izquierda();
    /// Moves the inner box back to (0, 0), keeping its size.
    Q_INVOKABLE void reinicia();
    /// Shows te, widening the inner box (never narrowing it) when te is wider than the
    /// surface; the scroll position stays where it is.
    Q_INVOKABLE void MeterTexto(const QString& te);

    /// Applies the eight stored entries of PropBag, in their fixed order.
    /// Throws std::invalid_argument naming an entry whose value is unusable.
    Q_INVOKABLE void ReadProperties(const PropertyBag* PropBag);
    /// Writes the eight entries into PropBag, in the same order.
    Q_INVOKABLE void WriteProperties(PropertyBag* PropBag) const;

    quint32 BackColor() const;
    void setBackColor(quint32 New_BackColor);
    QFont Font() const;
    void setInnerFont(const QFont& New_Font);
    QString FontName() const;
    void setFontName(const QString& New_FontName);
    float FontSize() const;
    void setFontSize(float New_FontSize);
    quint32 ForeColor() const;
    void setForeColor(quint32 New_ForeColor);
    bool MultiLine() const;
    bool Enabled() const;
    void setInnerEnabled(bool New_Enabled);
    QString Text() const;
    void setText(const QString& New_Text);
    bool Locked() const;
    void setLocked(bool New_Locked);
    qint16 ScrollBars() const;

    /// The surface's width and height in twips.
    float widthTwips() const;
    float heightTwips() const;

    /// How many instances are alive in this process.
    static int instanceCount();

signals:
    void KeyDown(qint16& KeyCode, qint16& Shift);
    void KeyPress(qint16& KeyAscii);
    /// The text was written, by typing, Text or MeterTexto, even with the text it had.
    void Change();
    void MouseDown(qint16& Button, qint16& Shift, float& X, float& Y);
    /// A mouse button was released over bare surface (never over the inner box).
    void MouseUp(qint16& Button, qint16& Shift, float& X, float& Y);

    /// The container's notification that a property was written, so that form editors
    /// mark the instance as modified.
    void propertyChanged(const QString& PropertyName);
    /// A value written to PropertyName was refused and the property kept its value;
    /// Reason says what the property takes.
    void propertyRefused(const QString& PropertyName, const QString& Reason);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template<typename Apply>
    void applyProperty(const char* name, Apply apply);
    void followSize();
    /// Sets the inner box's text; Change is raised even when the text stays the same.
    void pourText(const QString& te);
    QFont ambientFont() const;

    TextBox* m_text1 = nullptr;
    BoxBorder* m_border = nullptr;
    /// The surface size the inner box was last fitted to.
    QSize m_fittedSize{-1, -1};
};
