#include "etidesp2.h"

#include <QMetaClassInfo>
#include <QPluginLoader>
#include <QTest>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class tst_etidesp2designer : public QObject {
    Q_OBJECT

private slots:
    void formEditorSeesControlAndHelp();
};

void tst_etidesp2designer::formEditorSeesControlAndHelp()
{
    QPluginLoader loader(QStringLiteral(ETIDESP2_DESIGNER_PLUGIN));
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    QVERIFY2(plugin, qPrintable(loader.errorString()));
    QCOMPARE(plugin->name(), QStringLiteral("etidesp2"));

    QWidget form;
    QWidget* widget = plugin->createWidget(&form);
    QCOMPARE(widget->metaObject()->className(), "etidesp2");

    // Every property's tool tip is the help string the control carries.
    QMap<QString, QString> toolTips;
    QXmlStreamReader xml(plugin->domXml());
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("tooltip")) {
            const QString name = xml.attributes().value(QLatin1String("name")).toString();
            toolTips.insert(name, xml.readElementText());
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    const QMetaObject& meta = etidesp2::staticMetaObject;
    QCOMPARE(toolTips.size(), meta.propertyCount() - meta.propertyOffset());
    QCOMPARE(toolTips.value(QStringLiteral("FontSize")),
             QStringLiteral("Especifica el tamaño (en puntos) de la fuente que aparece en cada fila del nivel especificado."));
    for (auto it = toolTips.cbegin(); it != toolTips.cend(); ++it) {
        const int index = meta.indexOfClassInfo(("Help:" + it.key()).toLatin1().constData());
        QVERIFY2(index >= 0, qPrintable(it.key()));
        QCOMPARE(it.value(), QString::fromUtf8(meta.classInfo(index).value()));
    }
}

QTEST_MAIN(tst_etidesp2designer)
#include "tst_etidesp2designer.moc"
