#include "Tables.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>

#include "Models.h"
#include "Number.h"

namespace tservice {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Splits a file into blank-separated tokens through a fixed buffer, counting
// lines for the error text. Numbers are never longer than kMaxToken; a longer
// token is bad content anyway.
class TokenReader {
public:
    static constexpr int kMaxToken = 64;
    enum class Got { Token, End, Failed };

    explicit TokenReader(std::FILE* f) : file_(f) {}

    Got Next(std::string_view& token) {
        int c = Skip();
        if (c == kEof) return failed_ ? Got::Failed : Got::End;
        int n = 0;
        while (c != kEof && !IsBlank(c)) {
            if (n == kMaxToken) {
                token = "";  // too long: reported as not a number
                return Got::Token;
            }
            token_[n++] = static_cast<char>(c);
            c = Get();
        }
        if (c == '\n') pendingLine_ = true;
        if (failed_) return Got::Failed;
        token = std::string_view(token_, static_cast<size_t>(n));
        return Got::Token;
    }
    int Line() const { return line_; }

private:
    static constexpr int kEof = -1;
    static bool IsBlank(int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    int Get() {
        if (pos_ == len_) {
            if (eof_) return kEof;
            len_ = std::fread(buf_, 1, sizeof buf_, file_);
            pos_ = 0;
            if (len_ == 0) {
                eof_ = true;
                failed_ = std::ferror(file_) != 0;
                return kEof;
            }
            if (first_) {  // a byte-order mark from a Windows editor is no content
                first_ = false;
                if (len_ >= 3 && std::memcmp(buf_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
                if (pos_ == len_) return Get();
            }
        }
        return static_cast<unsigned char>(buf_[pos_++]);
    }
    int Skip() {
        if (pendingLine_) {
            ++line_;
            pendingLine_ = false;
        }
        int c = Get();
        while (c != kEof && IsBlank(c)) {
            if (c == '\n') ++line_;
            c = Get();
        }
        return c;
    }

    std::FILE* file_;
    char buf_[4096];
    size_t len_ = 0;
    size_t pos_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool first_ = true;
    bool pendingLine_ = false;
    int line_ = 1;
    char token_[kMaxToken];
};

// A finite number in the C locale's form ("-1.5", "+2", "3e-2"), whole token.
bool ParseNumber(std::string_view token, double& value) {
    const std::optional<double> v = ReadNumber(token, kTableNumber);
    if (v) value = *v;
    return v.has_value();
}

std::string BadContent(std::string_view fileName, int line, const char* what) {
    std::string text = "Файл ";
    text.append(fileName);
    text += " испорчен: ";
    text += what;
    text += " в строке ";
    text += std::to_string(line);
    text += "\n таблица не прочитана";
    return text;
}

File OpenFirst(std::string_view fileName, std::span<const std::string> dirs) {
    // A directory of the same name is no candidate (it would open but not read).
    auto open = [](const std::string& path) {
#ifdef _WIN32
        // The path is UTF-8; fopen would read it in the ANSI code page.
        File f(::_wfopen(QString::fromStdString(path).toStdWString().c_str(), L"r"));
#else
        File f(std::fopen(path.c_str(), "r"));
#endif
        struct stat st;
        if (f && ::fstat(::fileno(f.get()), &st) == 0 && S_ISDIR(st.st_mode)) f.reset();
        return f;
    };
    if (dirs.empty()) return open(std::string(fileName));
    for (const std::string& dir : dirs) {
        std::string path = dir;
        if (!path.empty() && path.back() != '/') path += '/';
        path.append(fileName);
        if (File f = open(path)) return f;
    }
    return File();
}

enum class ReadOutcome { Ok, Unreadable, Bad };

// Reads pairs into `into` until the end marker, the end of the file or
// kTableRows pairs; `error` names the first bad spot.
ReadOutcome ReadPairs(std::FILE* f, std::string_view fileName, SensorTable& into,
                      std::string& error) {
    TokenReader reader(f);
    int count = 0;
    while (count < kTableRows) {
        std::string_view token;
        double t = 0.0;
        double x = 0.0;
        TokenReader::Got got = reader.Next(token);
        if (got == TokenReader::Got::End) break;
        if (got == TokenReader::Got::Failed) return ReadOutcome::Unreadable;
        if (!ParseNumber(token, t)) {
            error = BadContent(fileName, reader.Line(), "не число");
            return ReadOutcome::Bad;
        }
        const int pairLine = reader.Line();
        got = reader.Next(token);
        if (got == TokenReader::Got::Failed) return ReadOutcome::Unreadable;
        if (got == TokenReader::Got::End) {
            error = BadContent(fileName, pairLine, "пара без второго числа");
            return ReadOutcome::Bad;
        }
        if (!ParseNumber(token, x)) {
            error = BadContent(fileName, reader.Line(), "не число");
            return ReadOutcome::Bad;
        }
        if (t < -273.0) break;
        into.TabT[count] = t;
        into.TabX[count] = x;
        ++count;
    }
    into.TabCount = count;
    return ReadOutcome::Ok;
}

}  // namespace

const char* TableFileName(std::string_view sensorText) {
    const SensorData* data = FindSensorData(sensorText);
    return data ? data->tableFile : "";
}

bool LoadTable(std::string_view fileName, SensorTable& table, std::string& error,
               std::span<const std::string> dirs) {
    if (fileName.empty()) {
        error = kTableOpenError;
        return false;
    }
    File f = OpenFirst(fileName, dirs);
    if (!f) {
        error = kTableOpenError;
        return false;
    }
    // Read aside so that a bad file leaves the previous table whole.
    SensorTable fresh;
    switch (ReadPairs(f.get(), fileName, fresh, error)) {
    case ReadOutcome::Unreadable:
        error = kTableOpenError;
        return false;
    case ReadOutcome::Bad:
        return false;
    case ReadOutcome::Ok:
        break;
    }
    std::copy(fresh.TabT, fresh.TabT + fresh.TabCount, table.TabT);
    std::copy(fresh.TabX, fresh.TabX + fresh.TabCount, table.TabX);
    table.TabCount = fresh.TabCount;
    return true;
}

std::vector<std::string> BesideProgram(const char* argv0, std::span<const char* const> relative) {
    QString exeDir;
    if (QCoreApplication::instance() != nullptr) {
        exeDir = QCoreApplication::applicationDirPath();
    } else if (argv0 != nullptr) {
        const QString path = QString::fromLocal8Bit(argv0);
        if (path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\')))
            exeDir = QFileInfo(path).absolutePath();
    }
    if (exeDir.isEmpty()) return {};
    // Forward slashes on every system (Windows takes them too).
    std::string dir = QDir::fromNativeSeparators(exeDir).toStdString();
    if (dir.back() != '/') dir += '/';
    std::vector<std::string> dirs;
    for (const char* rel : relative) dirs.push_back(dir + rel);
    return dirs;
}

std::vector<std::string> DefaultTableDirs(const char* argv0) {
    static constexpr const char* kBeside[] = {"tables", "../tables", "../share/tservice/tables"};
    std::vector<std::string> dirs{""};
    for (std::string& dir : BesideProgram(argv0, kBeside)) dirs.push_back(std::move(dir));
    return dirs;
}

}  // namespace tservice
