// The bench's main: TARNIX_BENCH_VECTOR_UNIT=avx2 or plain caps the vector unit the variant loops
// use before any row runs, so that the narrower twins can be timed on a wider processor.
#include "foundations/vector_unit.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* unit = std::getenv("TARNIX_BENCH_VECTOR_UNIT");
    if (unit != nullptr && *unit != '\0') {
        const std::string name = unit;
        if (name == "avx2")
            CapVectorUnit(VectorUnit::Avx2);
        else if (name == "plain")
            CapVectorUnit(VectorUnit::Plain);
        else if (name != "avx512") {
            std::fprintf(stderr, "TARNIX_BENCH_VECTOR_UNIT is avx512, avx2 or plain, not %s\n",
                         unit);
            return 2;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("vector_unit", UsableVectorUnit() == VectorUnit::Avx512 ? "avx512"
                                               : UsableVectorUnit() == VectorUnit::Avx2 ? "avx2"
                                                                                        : "plain");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
