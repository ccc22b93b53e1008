#pragma once
// Setting the input of simulated transmitters while the line runs, so a
// calibration check can be walked through on the demo line: a small text file
// the serving program watches, one command a line, "ADDR PERCENT" (the input
// of device ADDR at PERCENT of its code scale, point or comma decimal).
#include <cstdint>
#include <string>

#include "SimLine.h"

namespace tservice::sim {

// Applies one command ("2 37.5", "2:37,5"); blank lines and lines starting
// with '#' do nothing. False with the reason in error for anything else or a
// device that is not on the line.
bool ApplyInputCommand(Line& line, const std::string& command, std::string& error);

// Watches one file: Poll applies its commands whenever its contents change.
class InputFile {
public:
    explicit InputFile(std::string path) : path_(std::move(path)) {}
    // Reads the file when it changed since the last poll (a missing file is
    // no change) and applies its lines in order. False with the first bad
    // line's reason in error; the good lines are applied all the same.
    bool Poll(Line& line, std::string& error);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string last_;
    bool seen_ = false;
};

}  // namespace tservice::sim
