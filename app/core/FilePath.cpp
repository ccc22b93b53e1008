#include "FilePath.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace tservice {

namespace {

// Length of the UTF-8 sequence at text[i], or 0 when it is not one.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size() || (n == 2 && c < 0xC2)) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    // Surrogates and overlong three- and four-byte forms are no UTF-8.
    if (n == 3 && ((c == 0xE0u && byte(i + 1) < 0xA0) || (c == 0xED && byte(i + 1) >= 0xA0))) return 0;
    if (n == 4 && ((c == 0xF0 && byte(i + 1) < 0x90) || c > 0xF4 || (c == 0xF4 && byte(i + 1) >= 0x90))) return 0;
    return n;
}

constexpr char16_t kEscaped = 0xDC00;

}  // namespace

QString PathFromBytes(const std::string& bytes) {
    QString out;
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t n = Utf8Length(bytes, i); n > 0) {
            out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(n));
            i += n;
        } else {
            out += QChar(static_cast<char16_t>(kEscaped + static_cast<unsigned char>(bytes[i++])));
        }
    }
    return out;
}

std::string PathBytes(const QString& path) {
    std::string out;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        const bool escaped = i < path.size() && path[i].unicode() >= 0xDC80 && path[i].unicode() <= 0xDCFF;
        if (i < path.size() && !escaped) continue;
        out += path.mid(from, i - from).toStdString();
        if (escaped) out += static_cast<char>(path[i].unicode() - kEscaped);
        from = i + 1;
    }
    return out;
}

std::string PathShown(const QString& path) {
    QString shown = path;
    for (QChar& c : shown)
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) c = u'?';
    return shown.toStdString();
}

QString PathFromEnvironment(const char* name) {
#ifdef _WIN32
    return qEnvironmentVariable(name);
#else
    return PathFromBytes(qgetenv(name).toStdString());
#endif
}

#ifdef _WIN32

bool OpenPath(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* why) {
    file.setFileName(path);
    if (file.open(mode)) return true;
    if (why != nullptr) *why = file.errorString();
    return false;
}

bool WritePath(const QString& path, const QByteArray& content) {
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.commit();
}

bool PathExists(const QString& path) { return QFileInfo::exists(path); }

bool MakeDirectory(const QString& path) { return QDir().mkpath(path); }

bool MakeDirectoryFor(const QString& path) { return QDir().mkpath(QFileInfo(path).absolutePath()); }

#else

bool OpenPath(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* why) {
    // As QFile takes the modes: writing creates, write-only truncates unless appending.
    const bool reads = mode.testFlag(QIODevice::ReadOnly), writes = mode.testFlag(QIODevice::WriteOnly);
    int flags = writes ? (reads ? O_RDWR : O_WRONLY) | O_CREAT : O_RDONLY;
    if (mode.testFlag(QIODevice::Append)) flags |= O_APPEND;
    else if (mode.testFlag(QIODevice::Truncate) || (writes && !reads)) flags |= O_TRUNC;
    const int fd = ::open(PathBytes(path).c_str(), flags | O_CLOEXEC, 0666);
    if (fd >= 0 && file.open(fd, mode, QFileDevice::AutoCloseHandle)) return true;
    if (why != nullptr) *why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
    if (fd >= 0) ::close(fd);
    return false;
}

bool WritePath(const QString& path, const QByteArray& content) {
    const std::string target = PathBytes(path);
    const std::string temporary = target + ".new";
    {
        QFile f;
        if (!OpenPath(f, PathFromBytes(temporary), QIODevice::WriteOnly) || f.write(content) != content.size() ||
            !f.flush()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

bool PathExists(const QString& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(PathBytes(path)), ec);
}

bool MakeDirectory(const QString& path) {
    std::error_code ec;
    const std::filesystem::path dir(PathBytes(path));
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec);
}

bool MakeDirectoryFor(const QString& path) {
    const std::filesystem::path dir = std::filesystem::path(PathBytes(path)).parent_path();
    return dir.empty() || MakeDirectory(PathFromBytes(dir.string()));
}

#endif

namespace {

// Path strings to the library's paths and back without a code page between.
std::filesystem::path FsPath(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}

std::string PathString(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
#else
    return path.string();
#endif
}

}  // namespace

std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(FsPath(dir), ec)) {
        const std::string name = PathString(entry.path().filename());
        if (entry.is_regular_file(ec) && name.size() > suffix.size() && name.ends_with(suffix))
            files.push_back(PathString(entry.path()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace tservice
