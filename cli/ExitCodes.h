#pragma once
// Exit status of tservicectl, by kind of failure, so scripts can tell a
// refused edit from a dead line.
namespace tservice::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitRefused = 1,   // a rule of the transmitter or a file refused; nothing sent
    kExitUsage = 2,     // the command line is wrong; the line was not touched
    kExitLine = 3,      // no answer, incomplete answer, CRC, the port
    kExitDevice = 4,    // the transmitter answered with an exception
    kExitCheckFailed = 5,  // the check ran and a point is outside the permitted error
};

}  // namespace tservice::cli
