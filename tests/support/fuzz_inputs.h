// Seeded random mutations of reader inputs for the fuzz tests. A short run in every test pass;
// scripts/fuzz runs the same tests with many more inputs and other seeds.
#pragma once

#include <random>
#include <string>

// text with 1 to 8 edits: flipped bytes, deleted, duplicated or random runs, truncation, and
// pieces that readers look for (signs, exponents, "nan", "inf", numbers beyond float, line ends).
std::string MutateText(std::string text, std::mt19937& rng);
// A folder for the mutated files, in memory (/dev/shm) where the system has it, since a fuzz run
// writes a file per input; removed with its files at the end.
class FuzzFolder {
  public:
    FuzzFolder();
    ~FuzzFolder();
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;
    // path of the folder + "/" + name
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Inputs per reader: TARNIX_FUZZ_INPUTS when set, else shortRun.
int FuzzInputCount(int shortRun);
// The seed: TARNIX_FUZZ_SEED when set, else fixed.
unsigned FuzzSeed(unsigned fixed);
