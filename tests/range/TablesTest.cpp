// Reading the sensor characteristic tables.
#include <gtest/gtest.h>
#include <QCoreApplication>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Tables.h"

namespace tservice {
namespace {

namespace fs = std::filesystem;

class TableFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("range_tables_" + std::to_string(QCoreApplication::applicationPid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        table_ = std::make_unique<SensorTable>();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        fs::path p = dir_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    bool Load(const std::string& name, std::string& error) {
        const std::string dirs[] = {dir_.string()};
        return LoadTable(name, *table_, error, dirs);
    }

    fs::path dir_;
    std::unique_ptr<SensorTable> table_;
};

TEST(TableFileName, MapsEachSensorTypeByteForByte) {
    struct Row {
        const char* text;
        const char* file;
    } rows[] = {
        {"XK(L)", "XKL.txt"}, {"XK(E)", "XKE.txt"},   {"XA(K)", "XAK.txt"},
        {"ЖК(J)", "TJK.txt"}, {"Pt100", "PT100.txt"}, {"100П", "100P.txt"},
        {"50П", "100P.txt"},  {"100M", "100M.txt"},   {"50M", "100M.txt"},
        {"Ni", "N100.txt"},
        // Look-alike letters from the other alphabet, case, blanks: no file.
        {"ЖK(J)", ""},        {"100P", ""},           {"100М", ""},
        {"ХК(L)", ""},        {"ni", ""},             {"Pt100 ", ""},
        {"MK(T)", ""},        {"", ""},
    };
    for (const Row& row : rows) EXPECT_STREQ(TableFileName(row.text), row.file) << row.text;
}

TEST_F(TableFiles, ReadsPairsInAnyLayoutUntilTheEndMarker) {
    // A pair split over lines, CRLF, tabs, a sign and an exponent, a BOM.
    Write("t.txt", "\xEF\xBB\xBF-10 1.5\r\n0\n2.0e0\n\t+10   2.5\r\n-300 0\n20 garbage\n");
    std::string error;
    ASSERT_TRUE(Load("t.txt", error)) << error;
    ASSERT_EQ(table_->TabCount, 3);
    EXPECT_EQ(table_->TabT[0], -10.0);
    EXPECT_EQ(table_->TabX[0], 1.5);
    EXPECT_EQ(table_->TabT[1], 0.0);
    EXPECT_EQ(table_->TabX[1], 2.0);
    EXPECT_EQ(table_->TabT[2], 10.0);
    EXPECT_EQ(table_->TabX[2], 2.5);
}

TEST_F(TableFiles, EndOfFileEndsTheTable) {
    Write("t.txt", "1 10\n2 20");
    std::string error;
    ASSERT_TRUE(Load("t.txt", error)) << error;
    EXPECT_EQ(table_->TabCount, 2);
    EXPECT_EQ(table_->TabX[1], 20.0);
}

TEST_F(TableFiles, StopsAfterTheLastRowWithoutReadingFurther) {
    std::string text;
    for (int i = 0; i < kTableRows; ++i) text += std::to_string(i) + " " + std::to_string(2 * i) + "\n";
    text += "this is not read\n";
    Write("t.txt", text);
    std::string error;
    ASSERT_TRUE(Load("t.txt", error)) << error;
    EXPECT_EQ(table_->TabCount, kTableRows);
    EXPECT_EQ(table_->TabT[kTableRows - 1], kTableRows - 1.0);
    EXPECT_EQ(table_->TabX[kTableRows - 1], 2.0 * (kTableRows - 1));
}

TEST_F(TableFiles, EmptyTablesLoadWithoutRows) {
    for (const char* text : {"", "  \n\n", "-300 0\n5 5\n", "-273.5 1"}) {
        Write("t.txt", text);
        table_->TabCount = 7;
        std::string error;
        EXPECT_TRUE(Load("t.txt", error)) << text;
        EXPECT_EQ(table_->TabCount, 0) << text;
    }
}

TEST_F(TableFiles, MalformedContentIsRefusedAndThePreviousTableKept) {
    Write("good.txt", "1 10\n2 20\n3 30\n-300 0\n");
    std::string error;
    ASSERT_TRUE(Load("good.txt", error));
    struct Row {
        const char* text;
        const char* expect;  // a piece of the error text
    } rows[] = {
        {"1 10\n2 x\n", "строке 2"},
        {"1 10\n2 20\n3\n", "пара без второго числа в строке 3"},
        {"1,5 10\n", "не число в строке 1"},
        {"1 nan\n", "не число"},
        {"1 inf\n", "не число"},
        {"1 1e999\n", "не число"},
        {"1 10abc\n", "не число"},
        {"1 +-10\n", "не число"},
        {"1 10\n-300\n", "пара без второго числа"},
        {"1 10\n-300 end\n", "не число"},
        {"1 1234567890123456789012345678901234567890123456789012345678901234567890\n", "не число"},
    };
    for (const Row& row : rows) {
        Write("bad.txt", row.text);
        error.clear();
        EXPECT_FALSE(Load("bad.txt", error)) << row.text;
        EXPECT_NE(error.find("bad.txt"), std::string::npos) << error;
        EXPECT_NE(error.find(row.expect), std::string::npos) << row.text << " -> " << error;
        ASSERT_EQ(table_->TabCount, 3);
        EXPECT_EQ(table_->TabT[1], 2.0);
        EXPECT_EQ(table_->TabX[1], 20.0);
        EXPECT_EQ(table_->TabX[2], 30.0);
    }
}

TEST_F(TableFiles, MissingFileIsRefusedWithTheOpenText) {
    Write("good.txt", "1 10\n2 20\n");
    std::string error;
    ASSERT_TRUE(Load("good.txt", error));
    for (const char* name : {"missing.txt", ""}) {
        EXPECT_FALSE(Load(name, error));
        EXPECT_EQ(error, kTableOpenError);
        EXPECT_EQ(error, "Файл  не удается открыть");
        EXPECT_EQ(table_->TabCount, 2);
    }
}

TEST_F(TableFiles, SearchesTheDirectoriesInOrder) {
    Write("a/X.txt", "1 1\n");
    Write("b/X.txt", "1 1\n2 2\n");
    Write("b/Y.txt", "1 1\n2 2\n3 3\n");
    fs::create_directories(dir_ / "a" / "Y.txt");  // a directory is skipped
    const std::string dirs[] = {(dir_ / "a").string(), (dir_ / "b").string()};
    std::string error;
    ASSERT_TRUE(LoadTable("X.txt", *table_, error, dirs)) << error;
    EXPECT_EQ(table_->TabCount, 1);
    ASSERT_TRUE(LoadTable("Y.txt", *table_, error, dirs)) << error;
    EXPECT_EQ(table_->TabCount, 3);
}

TEST_F(TableFiles, BareNameIsRelativeToTheWorkingDirectory) {
    Write("W.txt", "5 6\n");
    const fs::path saved = fs::current_path();
    fs::current_path(dir_);
    std::string error;
    const bool bare = LoadTable("W.txt", *table_, error);
    const std::string dirs[] = {"", "/nonexistent"};
    const bool listed = LoadTable("W.txt", *table_, error, dirs);
    fs::current_path(saved);
    EXPECT_TRUE(bare);
    EXPECT_TRUE(listed);
    EXPECT_EQ(table_->TabX[0], 6.0);
}

TEST_F(TableFiles, NumbersIgnoreTheProcessLocale) {
    const char* comma = nullptr;
    for (const char* name : {"ru_RU.UTF-8", "de_DE.UTF-8", "ru_RU.utf8", "de_DE.utf8"})
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            comma = name;
            break;
        }
    if (comma == nullptr) GTEST_SKIP() << "no comma-decimal locale installed";
    Write("t.txt", "1.25 2.5\n");
    std::string error;
    const bool ok = Load("t.txt", error);
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(table_->TabT[0], 1.25);
    EXPECT_EQ(table_->TabX[0], 2.5);
}

TEST(DefaultTableDirs, WorkingDirectoryFirstThenBesideTheProgram) {
    int argc = 1;
    char name[] = "range_tests";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    const std::vector<std::string> dirs = DefaultTableDirs(nullptr);
    ASSERT_EQ(dirs.size(), 4u);
    EXPECT_EQ(dirs[0], "");
    const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();
#ifdef __linux__
    EXPECT_EQ(exeDir, fs::canonical("/proc/self/exe").parent_path().string());
#endif
    EXPECT_EQ(dirs[1], exeDir + "/tables");
    EXPECT_EQ(dirs[2], exeDir + "/../tables");
    EXPECT_EQ(dirs[3], exeDir + "/../share/tservice/tables");
}

TEST(DefaultTableDirs, WithoutApplicationTheFolderOfArgv0) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const std::vector<std::string> dirs = DefaultTableDirs("/opt/tservice/bin/tservicectl");
    ASSERT_EQ(dirs.size(), 4u);
    // On Windows the path gets the current drive in front.
    EXPECT_TRUE(dirs[1].ends_with("/opt/tservice/bin/tables")) << dirs[1];
    EXPECT_EQ(DefaultTableDirs("tservicectl"), std::vector<std::string>{""});
    EXPECT_EQ(DefaultTableDirs(nullptr), std::vector<std::string>{""});
}

TEST(ShippedTables, LoadAndRiseStrictlyInWholeDegrees) {
    struct Row {
        const char* sensor;
        double first, last;  // °C
    } rows[] = {
        {"XK(L)", -200, 800}, {"XK(E)", -270, 1000}, {"XA(K)", -270, 1372},
        {"ЖК(J)", -210, 1200}, {"Pt100", -200, 850}, {"100П", -200, 850},
        {"100M", -180, 200},  {"Ni", -60, 180},
    };
    const std::string dirs[] = {TSERVICE_TABLES_DIR};
    auto table = std::make_unique<SensorTable>();
    for (const Row& row : rows) {
        std::string error;
        ASSERT_TRUE(LoadTable(TableFileName(row.sensor), *table, error, dirs)) << row.sensor << error;
        const int n = table->TabCount;
        ASSERT_EQ(n, static_cast<int>(row.last - row.first) + 1) << row.sensor;
        EXPECT_EQ(table->TabT[0], row.first) << row.sensor;
        EXPECT_EQ(table->TabT[n - 1], row.last) << row.sensor;
        for (int i = 1; i < n; ++i) {
            ASSERT_EQ(table->TabT[i], table->TabT[i - 1] + 1.0) << row.sensor << " row " << i;
            ASSERT_GT(table->TabX[i], table->TabX[i - 1]) << row.sensor << " row " << i;
        }
    }
}

}  // namespace
}  // namespace tservice
