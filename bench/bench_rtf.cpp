// Reading a card-sized RTF document is far below a frame; a 300 KB document, larger than
// any card, should read in 20 ms or less.

#include "RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A document in the style a word processor writes: font and colour tables, paragraphs
// with changing formatting, Spanish text as escapes and \u, a list and a table.
QByteArray generatedDocument(qsizetype targetSize)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                     "{\\f1\\froman\\fcharset0 Times New Roman;}{\\f2\\fcharset2 Symbol;}}"
                     "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green64\\blue160;}"
                     "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Lecci\\'f3n}}\\viewkind4\\uc1\n";
    int paragraph = 0;
    while (rtf.size() < targetSize) {
        ++paragraph;
        rtf += "\\pard\\sa120\\li" + QByteArray::number(paragraph % 4 * 360) + (paragraph % 5 ? "\\qj" : "\\qc")
            + "\\f" + QByteArray::number(paragraph % 2) + "\\fs" + QByteArray::number(20 + paragraph % 4 * 2)
            + " {\\b Lecci\\'f3n " + QByteArray::number(paragraph) + ":} El alumno {\\i escucha} la "
              "frase y la repite. \\u191?Qu\\'e9 hora es? {\\cf2 Son las tres.} Ma\\'f1ana "
              "estudiaremos los n\\u250?meros {\\ul del uno al diez} y {\\cf3\\b los colores}.\\par\n";
        if (paragraph % 25 == 0) {
            for (int item = 0; item < 3; ++item)
                rtf += "{\\listtext\\f2\\'b7\\tab}\\pard\\ls1\\li720\\fi-360 Palabra " + QByteArray::number(item)
                    + ": {\\b casa} \\endash  house\\par\n";
            rtf += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl Espa\\'f1ol\\cell Ingl\\'e9s\\cell\\row\n"
                   "\\trowd\\cellx3000\\cellx6000\\pard\\intbl ni\\'f1o\\cell child\\cell\\row\n";
        }
    }
    return rtf + "}";
}

void readDocument(benchmark::State& state)
{
    const QByteArray rtf = generatedDocument(300 * 1024);
    for (auto _ : state) {
        auto document = std::make_unique<QTextDocument>();
        RtfReader reader;
        benchmark::DoNotOptimize(reader.read(rtf, *document));
        benchmark::DoNotOptimize(document->characterCount());
        state.PauseTiming(); // throwing the document away is not part of reading it
        document.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["bytes"] = double(rtf.size());
}

} // namespace

BENCHMARK(readDocument)->Unit(benchmark::kMillisecond);
