#include "etidesp2DesignerPlugin.h"

#include "etidesp2.h"

#include <QIcon>
#include <QMetaClassInfo>
#include <QXmlStreamWriter>

namespace {

// The help string the control carries for member, empty when it has none.
QString helpString(const char* member)
{
    const QMetaObject& meta = etidesp2::staticMetaObject;
    const int index = meta.indexOfClassInfo(QByteArray("Help:").append(member).constData());
    return index < 0 ? QString() : QString::fromUtf8(meta.classInfo(index).value());
}

}

etidesp2DesignerPlugin::etidesp2DesignerPlugin(QObject* parent)
    : QObject(parent)
{
}

QString etidesp2DesignerPlugin::name() const
{
    return QStringLiteral("etidesp2");
}

QString etidesp2DesignerPlugin::group() const
{
    return QStringLiteral("rolda");
}

QString etidesp2DesignerPlugin::toolTip() const
{
    return QStringLiteral("Scrolling one-line text control");
}

QString etidesp2DesignerPlugin::whatsThis() const
{
    return QStringLiteral("A one-line text field that can hold a text wider than itself and show it piece by piece.");
}

QString etidesp2DesignerPlugin::includeFile() const
{
    return QStringLiteral("etidesp2.h");
}

QIcon etidesp2DesignerPlugin::icon() const
{
    return {};
}

bool etidesp2DesignerPlugin::isContainer() const
{
    return false;
}

QWidget* etidesp2DesignerPlugin::createWidget(QWidget* parent)
{
    return new etidesp2(parent);
}

QString etidesp2DesignerPlugin::domXml() const
{
    QString xml;
    QXmlStreamWriter out(&xml);
    out.writeStartElement("ui");
    out.writeAttribute("language", "c++");
    out.writeStartElement("widget");
    out.writeAttribute("class", "etidesp2");
    out.writeAttribute("name", "text1");
    out.writeStartElement("property");
    out.writeAttribute("name", "geometry");
    out.writeStartElement("rect");
    out.writeTextElement("x", "0");
    out.writeTextElement("y", "0");
    out.writeTextElement("width", "160");
    out.writeTextElement("height", "24");
    out.writeEndElement(); // rect
    out.writeEndElement(); // property
    out.writeEndElement(); // widget
    out.writeStartElement("customwidgets");
    out.writeStartElement("customwidget");
    out.writeTextElement("class", "etidesp2");
    out.writeStartElement("propertyspecifications");
    const QMetaObject& meta = etidesp2::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const char* property = meta.property(i).name();
        out.writeStartElement("tooltip");
        out.writeAttribute("name", QLatin1String(property));
        out.writeCharacters(helpString(property));
        out.writeEndElement();
    }
    out.writeEndElement(); // propertyspecifications
    out.writeEndElement(); // customwidget
    out.writeEndElement(); // customwidgets
    out.writeEndElement(); // ui
    return xml;
}
