// The generated scan sets of the road tests.
#include "support/generated_scans.h"

#include "app/params_box.h"
#include "foundations/random_numbers.h"
#include "support/main_window_fixture.h"
#include "support/typed_components.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kGenerate = "GENERATE DATA";

} // namespace

namespace {

void Generate(MainWindowFixture& f, int scans, const GeneratedSpecies* species, int count,
              const GeneratedSet& set, const char* acceleration) {
    auto number = [&](const char* prompt, const std::string& answer) {
        f.script.expectInput().title(kGenerate).prompt(prompt).answer(answer);
    };
    f.script.expectBox().caption(kGenerate).text("Fit with M and s instead D and s?").answer(IDYES);
    number("density of points dr (cm)", "0.003");
    number("rotor speed (rpm)", set.rpm);
    f.script.expectBox()
        .caption(kGenerate)
        .text("simulate with rotor acceleration phase?")
        .answer(acceleration ? IDYES : IDNO);
    if (acceleration)
        number("acceleration (rpm/sec)", acceleration);
    number("time interval of scans (sec)", set.interval);
    number("number of simulated scans", std::to_string(scans));
    number("std of noise (OD)", "0.005");
    auto& truth = f.script.expectDialog(kDiscreteParamsDialogId);
    for (int k = 1; k <= count; ++k) {
        const GeneratedSpecies& g = species[k - 1];
        TypeSpecies(truth, k, g.loading, g.s, g.mKDa, true, true);
    }
    truth.set(kMeniscusId, set.meniscus).set(kBottomId, "7.2").ok();
    f.script.expectFileSave()
        .title("save generated data as")
        .answer(std::vector<std::string>{f.data.file("0000x.RA0")});
    Send(f, 214);
}

} // namespace

void GenerateTwoSpecies(MainWindowFixture& f, int scans, const GeneratedSpecies& first,
                        const GeneratedSpecies& second, const char* interval,
                        const char* acceleration) {
    const GeneratedSpecies species[] = {first, second};
    GeneratedSet set;
    set.interval = interval;
    Generate(f, scans, species, 2, set, acceleration);
}

void GenerateSpecies(MainWindowFixture& f, int scans, const GeneratedSpecies* species, int count,
                     const GeneratedSet& set) {
    Generate(f, scans, species, count, set, nullptr);
}

void LoadGeneratedScans(MainWindowFixture& f, int scans, bool restore, bool otherModel) {
    std::vector<std::string> paths;
    for (int i = 1; i <= scans; ++i) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.ra0", i);
        paths.push_back(f.data.file(name));
    }
    f.script.expectFileOpen().title("select files to fit").answer(paths);
    f.script.expectInput().caption("LOAD FILES").prompt("load every n'th file:").answer("1");
    if (restore)
        f.script.expectBox().text("restore previous data?").answer(IDYES);
    if (restore && otherModel)
        f.script.expectBox().text("load previous analysis?").answer(IDYES);
    Send(f, 200);
}

void LoadReadmeTwoSpecies(MainWindowFixture& f, int scans, unsigned seed) {
    SeedGaussRandom(seed);
    GenerateTwoSpecies(f, scans, {"0.5", "4", "50"}, {"0.3", "8", "140"}, "300");
    LoadGeneratedScans(f, scans, false);
    Send(f, 198);
}

void SetEndBounds(MainWindowFixture& f, const char* meniscusMin, const char* meniscusMax,
                  const char* bottomMin, const char* bottomMax) {
    for (const char* bound : {meniscusMin, meniscusMax, bottomMin, bottomMax})
        f.script.expectInput().caption("FIT LIMITS FOR MENISCUS AND BOTTOM").answer(bound);
    Send(f, 240);
}

void StartReadmeSpecies(MainWindowFixture& f) {
    auto& start = f.script.expectDialog(kDiscreteParamsDialogId)
                      .caption("Model Parameters: Discrete Species");
    TypeSpecies(start, 1, "0.45", "3.7", "45", true, true);
    TypeSpecies(start, 2, "0.35", "8.5", "160", true, true);
    start.check(SpeciesControlId(1, kLoadingItem + 1)).check(SpeciesControlId(2, kLoadingItem + 1));
    start.ok();
    Send(f, 212);
}

void SetReadmeCsPage(MainWindowFixture& f, const char* points) {
    Send(f, 275);
    f.script.expectDialog(kDistributionParamsDialogId)
        .caption("Model Parameters: Continuous Distribution")
        .set(kRangeMinId, "0")
        .set(kRangeMaxId, "15")
        .set(kResolutionId, points)
        .set(kFf0Id, "1.2")
        .check(kFf0FloatId)
        .check(kMeniscusFloatId)
        .set(kConfidenceLevelId, "0.68")
        .check(kTiNoiseId)
        .check(kRiNoiseId)
        .check(kBaselineFloatId, false)
        .ok();
    Send(f, 212);
}
