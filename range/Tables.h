#pragma once
// Sensor characteristic tables: which file serves which sensor type, where it
// is looked for and how it is read. A table is plain text, pairs of
// "temperature signal" in the C locale, closed by a pair whose temperature is
// below -273 (or by the end of the file, or after kTableRows pairs).
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tservice {

inline constexpr int kTableRows = 2775;

// One loaded characteristic; fixed size, so loading never allocates.
struct SensorTable {
    double TabT[kTableRows];  // °C, ascending in a usable table
    double TabX[kTableRows];  // sensor signal (mV or Ω; only its shape matters)
    int TabCount = 0;         // valid rows; entries beyond are stale
};

// The text shown when no candidate file could be opened or read (the
// two spaces are the system's own text).
inline constexpr char kTableOpenError[] = "Файл  не удается открыть";

// Sensor type text (UTF-8, compared byte for byte) to its table file name,
// e.g. "XA(K)" -> "XAK.txt", "50П" -> "100P.txt"; "" for any other text.
// The returned text has static storage.
const char* TableFileName(std::string_view sensorText);

// Reads the table `fileName` into `table`. Looks in each of `dirs` in order
// ("" means the bare name, relative to the working directory); with no dirs
// only the bare name is tried. The first candidate that opens is the file.
// Returns false with a Russian text in `error` when no candidate opens or
// reads (kTableOpenError) or when the content is not pairs of finite numbers;
// `table` is then left exactly as it was. Never allocates except for `error`;
// reads into a stack copy (about 45 KB) first.
bool LoadTable(std::string_view fileName, SensorTable& table, std::string& error,
               std::span<const std::string> dirs = {});

// Where the program looks for its tables: the working directory (""), then
// <exe dir>/tables (the Windows folder), <exe dir>/../tables (the build
// tree), <exe dir>/../share/tservice/tables (the installed tree), with
// forward slashes. The exe dir is QCoreApplication::applicationDirPath()
// while an application object exists, else the folder of argv0 when it
// names one (argv0 may be null); when neither gives one, only the working
// directory is listed.
std::vector<std::string> DefaultTableDirs(const char* argv0);

// The program's own folder (from /proc/self/exe, else argv0, may be null)
// joined with each of `relative` ("tables", "../share/doc/tservice/manual");
// empty when the folder is unknown. Nothing is checked for existence.
std::vector<std::string> BesideProgram(const char* argv0, std::span<const char* const> relative);

}  // namespace tservice
