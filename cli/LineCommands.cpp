// backup and restore: the parameter sets of the whole line into a directory
// and back.
#include <algorithm>
#include <map>
#include <ostream>


#include "Commands.h"
#include "FilePath.h"
#include "LineBackup.h"
#include "Models.h"
#include "SavedSet.h"
#include "Session.h"

namespace tservice::cli {

namespace {

struct RestoreFile {
    std::string path;
    SavedSet saved;
    std::string error;  // the file itself is unusable
};

std::vector<RestoreFile> ReadDirectory(const std::string& dir) {
    std::vector<RestoreFile> files;
    // Names as bytes: a file whose name is not UTF-8 is restored like any other.
    for (const std::string& path : FilesIn(dir, ".json")) {
        RestoreFile f;
        f.path = path;
        LoadSavedSet(f.path, f.saved, f.error);
        if (f.error.empty() && (f.saved.device < 1 || f.saved.device > kLineSize))
            f.error = "номер устройства " + std::to_string(f.saved.device) + " вне 1.." + std::to_string(kLineSize);
        files.push_back(std::move(f));
    }
    return files;
}

// One device: the file applied to a fresh reading of it (the calibration
// only with --with-calibration), the block check, and a write only when it
// changes something. Returns whether the device holds the file's set after.
bool RestoreDevice(LineSession& s, const Options& o, const SavedSet& saved, std::ostream& out) {
    DeviceImage image;
    int nuCur = saved.device - 1;
    if (!s.Read(image, nuCur)) return false;
    const DeviceImage read = image;
    std::string error;
    if (!ApplySavedSet(saved, image, error, o.withCalibration)) {
        s.messages.Show({"устройство " + std::to_string(nuCur + 1) + ": " + error, "Предупреждение", MsgIcon::Warning});
        return false;
    }
    ApplyRangeLimits(image);
    PrintChanges(read, image, out);
    return Finish(s, o, image, read, nuCur, nuCur, out) == 0;
}

}  // namespace

int Backup(LineSession& s, const Options& o, std::ostream& out) {
    if (!MakeDirectory(PathFromBytes(o.file))) {
        s.messages.Plain("Каталог " + o.file + " не удается создать");
        return 1;
    }
    const ScanResult scan = o.fast ? FastScanLine(s.link, o.max, o.timeoutMs) : ScanLine(s.link, o.max);
    if (scan.stopCode) s.link.ShowLinkError(scan.stopIndex, scan.stopCode);
    const std::vector<FoundDevice>& found = scan.found;
    if (!scan.doubtful.empty()) out << DoubtfulText(scan) << "\n";
    if (found.empty()) {
        out << "устройства не найдены\n";
        return 1;
    }
    const std::vector<BackupEntry> entries = BackupLine(s.link, found, o.file);
    out << BackupSummary(entries);
    const bool all = std::all_of(entries.begin(), entries.end(), [](const BackupEntry& e) { return e.error.empty(); });
    return all && !scan.stopCode ? 0 : 1;
}

int Restore(LineSession& s, const Options& o, std::ostream& out) {
    std::vector<RestoreFile> files = ReadDirectory(o.file);
    if (files.empty()) {
        s.messages.Plain("В каталоге " + o.file + " нет файлов параметров (*.json)");
        return 1;
    }
    std::map<int, int> perDevice;
    for (const RestoreFile& f : files)
        if (f.error.empty()) ++perDevice[f.saved.device];
    int restored = 0;
    for (RestoreFile& f : files) {
        out << f.path << ": ";
        if (f.error.empty() && perDevice[f.saved.device] > 1)
            f.error = "для устройства " + std::to_string(f.saved.device) + " несколько файлов, ни один не записан";
        if (!f.error.empty()) {
            out << "отказано: " << f.error << "\n";
            continue;
        }
        out << "устройство " << f.saved.device << " " << ModelName(f.saved.model) << "\n";
        if (RestoreDevice(s, o, f.saved, out))
            ++restored;
        else
            out << "отказано: устройство " << f.saved.device << " не восстановлено\n";
    }
    out << "восстановлено " << restored << " из " << files.size() << "\n";
    return restored == static_cast<int>(files.size()) ? 0 : 1;
}

}  // namespace tservice::cli
