// Arbitrary table file content through LoadTable (by way of a temporary file,
// as the program reads its tables): a bad file leaves the loaded table
// exactly as it was and says why; a good one yields only finite rows above
// the end marker, at most kTableRows of them.
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "Tables.h"

namespace {

using namespace tservice;

constexpr char kFileName[] = "fuzz_table.txt";

// One private directory per process, in memory where the system offers it;
// removed again when the run ends normally.
class TempDir {
public:
    TempDir() {
        const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = base + "/tservice-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(path.data()) != nullptr);
    }
    ~TempDir() {
        std::remove((path + "/" + kFileName).c_str());
        rmdir(path.c_str());
    }
    std::string path;
};

const std::string& Dir() {
    static const TempDir dir;
    return dir.path;
}

// A previous table with recognisable content, to see that a bad file leaves
// it whole; made once, since filling it per input was a third of the time.
const SensorTable& Before() {
    static const SensorTable t = [] {
        SensorTable p;
        for (int i = 0; i < kTableRows; ++i) {
            p.TabT[i] = -100.0 + i;
            p.TabX[i] = 0.5 * i;
        }
        p.TabCount = 17;
        return p;
    }();
    return t;
}

SensorTable& Loaded() {
    static SensorTable t;
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Dir() + "/" + kFileName;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);

    SensorTable& table = Loaded();
    std::memcpy(&table, &Before(), sizeof table);

    std::string error;
    const std::array<std::string, 1> dirs{Dir()};
    const bool ok = LoadTable(kFileName, table, error, dirs);
    if (!ok) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(std::memcmp(&Before(), &table, sizeof table) == 0);
        return 0;
    }
    FUZZ_CHECK(table.TabCount >= 0 && table.TabCount <= kTableRows);
    for (int i = 0; i < table.TabCount; ++i) {
        FUZZ_CHECK(std::isfinite(table.TabT[i]) && std::isfinite(table.TabX[i]));
        FUZZ_CHECK(table.TabT[i] >= -273.0);
    }
    // The same text as a sensor name maps to a known file or to none.
    const std::string name(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 16));
    const std::string file = TableFileName(name);
    FUZZ_CHECK(file.empty() || file.rfind(".txt") == file.size() - 4);
    return 0;
}
