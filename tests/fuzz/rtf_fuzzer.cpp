// libFuzzer entry for the RTF reader: any byte sequence must load without a crash, a hang
// or runaway memory, and the document it yields must lay out (the rich-text box does).

#include "RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and images need a GUI application; no display is needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QTextDocument document;
    RtfReader reader;
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!reader.read(input, document))
        return 0;
    document.setTextWidth(320);
    document.size(); // lays the whole document out
    document.toPlainText();
    return 0;
}
