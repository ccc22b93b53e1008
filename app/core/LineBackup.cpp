#include "LineBackup.h"

#include <cstdio>

#include "Describe.h"
#include "LineRound.h"
#include "Models.h"
#include "SavedSet.h"

namespace tservice {

std::string BackupFileName(int number, int model, const std::string& date) {
    char num[8];
    std::snprintf(num, sizeof num, "%02d", number);
    const std::string name = ModelName(model);
    return std::string(num) + "_" + (name.empty() ? std::to_string(model) : name) + (date.empty() ? "" : "_" + date) +
           ".json";
}

std::vector<BackupEntry> BackupLine(TComPortClass& link, const std::vector<FoundDevice>& found,
                                    const std::string& dir, const std::function<void(int)>& step) {
    std::vector<BackupEntry> entries;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (step) step(static_cast<int>(i));
        LineDevice d;
        d.number = found[i].number;
        BackupEntry e;
        e.number = d.number;
        e.model = found[i].model;
        const int code = ReadAccepted(link, d);
        if (code != 0) {
            e.error = LinkErrorBox(d.number - 1, code, link.PortName).text;
        } else if (!d.read) {
            e.error = d.refusal;
        } else {
            e.model = d.image.Tip;
            const std::string path = dir + "/" + BackupFileName(d.number, e.model);
            if (WriteSavedSet(Describe(d.image, d.number), path, e.error)) e.file = path;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

std::string BackupSummary(const std::vector<BackupEntry>& entries) {
    std::string s;
    int saved = 0;
    for (const BackupEntry& e : entries) {
        s += "устройство " + std::to_string(e.number);
        if (e.error.empty()) {
            s += " " + ModelName(e.model) + " → " + e.file + "\n";
            ++saved;
        } else {
            s += ": " + e.error + "\n";
        }
    }
    return s + "сохранено " + std::to_string(saved) + " из " + std::to_string(entries.size()) + "\n";
}

}  // namespace tservice
