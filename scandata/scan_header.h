// ScanHeader: the record of one scan as the scan file reader fills it and the writer writes it.
#pragma once

#include <cstdint>

// A file time: 100-ns ticks since 1601, the unit the platform layer reports file times in.
using FileTime = std::uint64_t;

struct ScanHeader {
    char description[100] = {}; // line 1 as kept by the reader
    char dataType = 'R';        // R, W, I, V, P or F
    std::int32_t cell = 0;
    float temperature = 0.0f; // degrees C
    float rotorSpeed = 0.0f;  // rpm
    double time = 0.0;        // seconds since run start, as the analysis uses it
    double omega2t = 0.0;     // integral of omega^2 dt, rad^2/s
    float wavelength = 0.0f;  // nm
    std::int32_t lastHeaderNumber = 0;
    float descriptionMeniscus = 0.0f; // cm, 0 when line 1 names none
    std::int32_t rowCount = 0;
    double originalTime = 0.0; // time as read; the time written back
    double readTime = 0.0;
    double accelerationRate = 0.0; // rpm/s
    double accelerationTime = 0.0; // s
    bool timeStampChecked = false;
    FileTime creationTime = 0;
    FileTime lastAccessTime = 0;
    FileTime lastWriteTime = 0;
    std::int32_t fileTimesValid = 0;
    bool isFluorescence = false;
    float voltage = 0.0f;
    std::int32_t gain = 0;
    std::int32_t range = 0;
};

// Sets text as the header's description, cut to what the field holds.
void SetScanDescription(ScanHeader& header, const char* text);
