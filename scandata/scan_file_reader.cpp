// The scan file reader: reads the file, parses it and hands back 1-based arrays.
#include "foundations/nr_arrays.h"
#include "plat/files.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_text.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

float* CopyToOneBased(const std::vector<float>& values) {
    long n = static_cast<long>(values.size());
    float* a = vector(1, n);
    if (n > 0)
        std::memcpy(a + 1, values.data(), values.size() * sizeof(float));
    return a;
}

} // namespace

bool ReadWholeFile(const char* path, std::string* text) {
    struct stat st {};
    if (!path || !text || stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    // Straight into the text at the size the file had; one that grew meanwhile is read on to
    // its end, one that shrank is cut to what was there.
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    text->resize(size);
    const std::size_t got = size > 0 ? std::fread(text->data(), 1, size, f) : 0;
    text->resize(got);
    if (got == size) {
        char buffer[4096];
        std::size_t more = 0;
        while ((more = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text->append(buffer, more);
    }
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

int ReadScanFile(const char* path, ScanHeader* header, std::int32_t* pointCount, float** radius,
                 float** value, float** third, bool* tag, float averagingWidth, std::string* why) {
    if (!path || !header || !pointCount || !radius || !value)
        return 0;
    ScanDataKind::intensity = false;
    ScanDataKind::absorbance = false;
    ScanDataKind::interference = false;
    ScanDataKind::fluorescence = false;
    // The times are taken before the read, which may itself update the access time.
    plat::FileTimes times;
    bool timesValid = plat::GetFileTimes(path, times);
    std::string text;
    if (!ReadWholeFile(path, &text))
        return 0;
    if (text.empty()) {
        if (why)
            *why = "the file is empty";
        return 0;
    }
    // Parsed into a copy: a file that fails leaves the caller's header as it was.
    ScanHeader read = *header;
    read.creationTime = times.creation;
    read.lastAccessTime = times.access;
    read.lastWriteTime = times.write;
    read.fileTimesValid = timesValid ? 1 : 0;

    ScanTextOptions options;
    options.averagingWidth = averagingWidth;
    options.wantThirdColumn = third != nullptr;
    options.electrophoresis = ScanDataKind::electrophoresis;
    options.nColumnsMode = ScanReaderOptions::nColumnsMode;
    options.nColumns = ScanReaderOptions::nColumns;
    options.dropSpikes = ScanReaderOptions::dropSpikes;
    options.spikeLevel = ScanReaderOptions::spikeLevel;
    options.spikeLevelFluorescence = ScanReaderOptions::spikeLevelFluorescence;
    ScanTextResult rows;
    ScanTextError error = ParseScanText(text, options, read, rows);
    ScanDataKind::intensity = rows.intensity;
    ScanDataKind::absorbance = rows.absorbance;
    ScanDataKind::interference = rows.interference;
    ScanDataKind::fluorescence = rows.fluorescence;
    if (rows.spikeThreshold > 0.0f)
        ScanReaderOptions::spikeThreshold = rows.spikeThreshold;
    if (tag)
        *tag = rows.tagFound;
    if (error != ScanTextError::None) {
        if (why)
            *why = ScanTextErrorText(error, rows);
        return 0;
    }

    *header = read;
    *pointCount = header->rowCount;
    *radius = CopyToOneBased(rows.radius);
    *value = CopyToOneBased(rows.value);
    if (third)
        *third = rows.thirdKept ? CopyToOneBased(rows.third) : nullptr;
    return 1;
}
