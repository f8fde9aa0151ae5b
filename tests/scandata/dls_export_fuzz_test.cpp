// Seeded mutations of the light-scattering instrument exports through their readers. No reader may
// crash or read outside its input; a file it makes loads as the program's own light-scattering
// file, and an export it refuses makes no file.
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "scandata/dls_export_readers.h"
#include "scandata/dls_file.h"
#include "support/fuzz_inputs.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

const DlsReplaceQuestion kAgree = [](const std::vector<std::string>&) { return true; };

struct Layout {
    std::string text;
    std::function<int(const char*, const char*)> read;
};

std::vector<Layout> Layouts() {
    std::string bic = "1 54321 3 4 5 6 1.7 8 90 532 298.15 0.89 13 1.33 15 16 17 18 19 20 1.2 22 "
                      "1000 24 25 26 27 28 29 30 31 32 33 34 35 36 37\n5 1900\n10 1500\n"
                      "water\nanna\nrun\nnote\n";
    return {
        {"Sample,one\nTime (us),Coef\n1.5,1.8\n3.0,1.6\n\n",
         [](const char* s, const char* t) {
             return ReadDlsDynamics7(s, t, 1.333f, 0.01f, 6.6e-7f, 90.0f, 20.0f);
         }},
        {"Coefficients\n2 1.5\n4 1.25\n",
         [](const char* s, const char* t) {
             return ReadDlsProteinSolutions62(s, t, 1.333f, 0.01f, 8.2e-7f, 90.0f, 20.0f);
         }},
        {"Time :\t\"12:30:05\"\nTemperature [K] :\t293.15\nViscosity [cp] :\t1.002\n"
         "Refractive Index:\t1.332\nWavelength [nm] :\t632.8\nAngle [deg] :\t90\n"
         "MeanCR0 [kHz] :\t120.5\n\"Lag [ms]\"\n1.0E-03\t0.81\n2.0E-03\t0.64\n\n",
         ReadDlsAlv},
        {bic, ReadDlsBic},
        {"1 54321 3 4 5 6 2.9 8 90 532 298.15 0.89 13 1.33 15 16 17 18 19 20 50 22 2000 5 2200 "
         "10 3000\n",
         ReadDlsBicDos},
        {"Temperature, C: 21.5\nViscosity, cP: 0.95\nRefractive index: 1.331\n"
         "Laser wavelength, nm: 633\nScatteting angle, deg: 60\nMean signal intensity, Hz: 25000\n"
         "Sample time, s: 2e-7\nNumber of channels: 2\nARG[1] = 1  ACF[1] = 0.75\n"
         "ARG[2] = 10 ACF[2] = 0.5\n",
         ReadDlsPhotoCor},
        {"20 150000\n10 190000\n",
         [](const char* s, const char* t) {
             return ReadDlsTwoColumn(s, t, 1e-6f, 1e5f, 20, 1, 1, 1.333f, 0.01f, 90, 8e-7f);
         }},
        {"20 0.5\n10 0.9\n",
         [](const char* s, const char* t) {
             return ReadDlsTwoColumnG2(s, t, 25, 1, 1, 1.333f, 0.01f, 173, 6.3e-7f);
         }},
        {"Measurement number 1\n========================\n1e-6 1.8\n2e-6 1.4\n\n"
         "Measurement number 2\n========================\n1e-6 1.6\n2e-6 1.2\n",
         [](const char* s, const char* t) {
             return ReadDlsProteinSolutions4(s, t, 1.333f, 0.01f, 8e-7f, 90, 20, 2, kAgree);
         }},
        {"Item SOS\n1 10.6 3 4 5 6 7 8 9 10 11 12 13 21 1000 16 17\n\n"
         "Measurement number 1\n========================\n1e-6 1.8\n2e-6 1.4\n",
         [](const char* s, const char* t) {
             return ReadDlsProteinSolutions520(s, t, 1.333f, 0.01f, 2, 90, 8e-7f, kAgree);
         }},
        {"Laser Wavelength (A)   = 8245\nScattering Angle (deg) = 90\nItem SOS\n"
         "1 30 3 4 5 6 7 26 500 10 11\n\n-----\nCoefficients (Ave)\n1e-6 1.8 1.7\n"
         "2e-6 1.4 1.3\n",
         [](const char* s, const char* t) {
             return ReadDlsProteinSolutions526(s, t, 1.333f, 0.01f, 2, true, kAgree);
         }},
    };
}

TEST(DlsExportFuzz, MadeFilesLoadAndRefusedExportsMakeNothing) {
    const unsigned seed = FuzzSeed(20261207u);
    std::mt19937 rng(seed);
    FuzzFolder dir;
    const std::string source = dir.file("export.txt");
    const std::string target = dir.file("made.dlsdat");
    const std::vector<Layout> layouts = Layouts();
    std::vector<int> accepted(layouts.size(), 0);
    const int inputs = FuzzInputCount(4000);
    const std::filesystem::path folder = std::filesystem::path(source).parent_path();
    // The files made in the folder; the export itself is not one of them.
    auto made = [&folder] {
        std::vector<std::string> paths;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".dlsdat")
                paths.push_back(entry.path().string());
        return paths;
    };
    for (int i = 0; i < inputs; ++i) {
        const std::size_t which = static_cast<std::size_t>(i) % layouts.size();
        for (const std::string& old : made())
            std::filesystem::remove(old);
        WriteTextFile(source, MutateText(layouts[which].text, rng));
        const int result = layouts[which].read(source.c_str(), target.c_str());
        TakeErrorBoxes();
        const std::vector<std::string> files = made();
        if (result <= 0) {
            ASSERT_TRUE(files.empty()) << "seed " << seed << " input " << i;
            continue;
        }
        ++accepted[which];
        ASSERT_FALSE(files.empty());
        for (const std::string& path : files) {
            DlsRecord record;
            int n = 0;
            float* lags = nullptr;
            float* values = nullptr;
            ASSERT_TRUE(ReadDlsGeneric(path.c_str(), &record, &n, &lags, &values, true))
                << "seed " << seed << " input " << i << "\n"
                << ReadTextFile(path);
            for (int k = 1; k <= n; ++k)
                ASSERT_TRUE(std::isfinite(lags[k]) && std::isfinite(values[k]));
            free_vector(lags, 1, n);
            free_vector(values, 1, n);
        }
    }
    for (std::size_t k = 0; k < layouts.size(); ++k)
        EXPECT_GT(accepted[k], 0) << "layout " << k << " never accepted a mutation";
}

} // namespace
