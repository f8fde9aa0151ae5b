// Reading a selection through once before the store is emptied for it.
#include "scandata/selection_check.h"

#include "foundations/nr_arrays.h"
#include "scandata/load_steps.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_user_messages.h"
#include "state/realtime_state.h"
#include "state/scan_store.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace {

// The character after the dot of a file name, upper-cased; 0 without one.
char KindLetter(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot + 1 >= fileName.size())
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(fileName[dot + 1])));
}

// Reads one file and lets go of what it read; why receives the reason of a refusal.
bool FileReads(const std::string& path, float width, std::string* why) {
    ScanHeader header{};
    std::int32_t count = 0;
    float *radius = nullptr, *value = nullptr, *third = nullptr;
    if (!ReadScanFile(path.c_str(), &header, &count, &radius, &value, &third, nullptr, width, why))
        return false;
    free_vector(radius, 1, count);
    free_vector(value, 1, count);
    if (third)
        free_vector(third, 1, count);
    return true;
}

} // namespace

std::string UnreadScanFileReason(const std::string& fullPath) {
    std::error_code error;
    const std::filesystem::path path(fullPath);
    if (!std::filesystem::exists(path, error))
        return "there is no file of this name";
    if (std::filesystem::is_directory(path, error))
        return "this is a folder, not a scan file";
    if (std::filesystem::is_regular_file(path, error) &&
        std::filesystem::file_size(path, error) == 0)
        return "the file is empty";
    return "the file cannot be read";
}

bool MixesIntensityWithOtherKinds(const std::vector<std::string>& fileNames) {
    if (fileNames.empty())
        return false;
    const char first = KindLetter(fileNames.front());
    for (const std::string& name : fileNames) {
        const char letter = KindLetter(name);
        if (letter != first && (letter == 'I' || first == 'I'))
            return true;
    }
    return false;
}

bool SelectionLoads(const std::vector<std::string>& paths, float width, bool nameEachUnread) {
    const bool intensity = ScanDataKind::intensity, absorbance = ScanDataKind::absorbance;
    const bool interference = ScanDataKind::interference;
    const bool fluorescence = ScanDataKind::fluorescence;
    const float spikeThreshold = ScanReaderOptions::spikeThreshold;
    std::vector<std::string> refusals;
    std::string caption = "LOAD ERROR";
    std::vector<std::string> names;
    for (const std::string& path : paths) {
        std::string why;
        if (!FileReads(path, width, &why)) {
            refusals.push_back(
                ScanLoadErrorText(path, why.empty() ? UnreadScanFileReason(path) : why));
            if (!nameEachUnread)
                break;
            continue;
        }
        std::string dir, name, ext;
        SplitScanPath(path, dir, name, ext);
        names.push_back(name + ext);
    }
    const bool unread = !refusals.empty();
    if (!unread && MixesIntensityWithOtherKinds(names)) {
        ScanStore::mixedDataTypes = true;
        refusals.push_back("mixed data types");
        caption = "ERROR";
    }
    ScanDataKind::intensity = intensity;
    ScanDataKind::absorbance = absorbance;
    ScanDataKind::interference = interference;
    ScanDataKind::fluorescence = fluorescence;
    ScanReaderOptions::spikeThreshold = spikeThreshold;
    if (refusals.empty())
        return true;
    if (unread && RealtimeState::realtimeMode)
        RealtimeState::stopRequested = true;
    for (const std::string& refusal : refusals)
        ScanErrorBox(refusal.c_str(), caption.c_str());
    return false;
}
