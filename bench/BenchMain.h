#pragma once

// The shared entry of the benchmark programs: the headless platform, the application
// object the measured code needs, the allocator set up and the fonts registered once as
// the program does at start, so that the figures measure the work and not the set-up.

#include "core/render/PdfPageBoxes.h"
#include "core/render/WebFonts.h"

#include <benchmark/benchmark.h>

#include <QtGlobal>

template <typename Application>
int runBenchmarks(int argc, char **argv)
{
    kestrivane::preparePdfPageBuffers();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    kestrivane::WebFonts::registerFonts();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
