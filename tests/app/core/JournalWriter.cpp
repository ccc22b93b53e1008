// One of several processes appending to one journal at once: FILE NAME COUNT
// appends COUNT entries whose port is NAME and device number their order.
#include <cstdio>
#include <string>

#include "Journal.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int count = std::stoi(argv[3]);
    for (int i = 1; i <= count; ++i) {
        tservice::JournalEntry e;
        e.time = QDateTime::currentDateTime();
        e.port = argv[2];
        e.deviceBefore = e.deviceAfter = i;
        std::string error;
        if (!tservice::AppendJournal(path, e, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
