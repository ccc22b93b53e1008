#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Every tservicectl the tests start journals here, never in the user's home.
    QTemporaryDir journalDir;
    qputenv("TSERVICE_JOURNAL", journalDir.filePath("journal.jsonl").toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
