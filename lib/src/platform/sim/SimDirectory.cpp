// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The simulated bus as a directory (LUMETRA_SIM_DIR): each *.cam file is a
// plugged-in camera, in file-name order; removing the file unplugs it.
// Requests go to requests.log in the same directory.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>

#include "platform/Backends.h"
#include "platform/sim/CamFile.h"
#include "platform/sim/SimBackend.h"

namespace lumetra::platform::sim {
namespace {

constexpr std::string_view kCamSuffix = ".cam";
constexpr std::size_t kMaxCamFileBytes = 1 << 20;

// Outside tools follow the log while it grows: one write(2) per line on an
// O_APPEND descriptor keeps lines whole. The file is opened per line so that
// deleting it starts a new log.
class FileLog final : public RequestLog {
public:
    explicit FileLog(std::string path) : path_(std::move(path)) {}
    void Append(const std::string& line) override {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return;
        const std::string text = line + '\n';
        while (::write(fd, text.data(), text.size()) < 0 && errno == EINTR) {
        }
        ::close(fd);
    }

private:
    std::string path_;
};

// Which file a camera is (a new file is a new camera) and which version of
// its content the camera was built from.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileStamp Of(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_size, st.st_mtim}; }
    bool SameFile(const FileStamp& o) const { return device == o.device && inode == o.inode; }
    bool SameContent(const FileStamp& o) const {
        return size == o.size && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

// Reads a regular file (never blocking on a FIFO or device that happens to
// carry the suffix), at most kMaxCamFileBytes of it.
bool ReadCamFile(const std::string& path, std::string& text, FileStamp& stamp) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        stamp = FileStamp::Of(st);
        text.clear();
        char buffer[4096];
        while (text.size() < kMaxCamFileBytes) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        if (text.size() > kMaxCamFileBytes) text.resize(kMaxCamFileBytes);
    }
    ::close(fd);
    return ok;
}

// Current values and modes survive a change to the file's other content;
// only plugging in again (a new file) takes the file's current values.
void KeepState(const SimCameraModel& from, SimCameraModel& to) {
    for (const PropertySet set : {PropertySet::CameraControl, PropertySet::VideoProcAmp}) {
        const SimPropertyTable& old = from.Table(set);
        for (auto& [id, property] : to.Table(set)) {
            if (const auto it = old.find(id); it != old.end()) {
                property.current = it->second.current;
                property.current2 = it->second.current2;
                property.flags = it->second.flags;
            }
        }
    }
}

class FileCamera final : public SimCamera {
public:
    FileCamera(std::string logName, std::string path, const std::string& text, FileStamp stamp, int fd,
               std::shared_ptr<RequestLog> log)
        : SimCamera(std::move(logName), ParseCamFile(text), std::move(log)),
          path_(std::move(path)),
          stamp_(stamp),
          fd_(fd) {}
    ~FileCamera() override { ::close(fd_); }

protected:
    // Every request looks at the file: gone or replaced means unplugged;
    // changed means new faults, texts or ranges.
    bool StillThere() override {
        struct stat st;
        if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        const FileStamp now = FileStamp::Of(st);
        if (!now.SameFile(stamp_)) return false;
        if (!now.SameContent(stamp_)) {
            std::string text;
            FileStamp read;
            if (!ReadCamFile(path_, text, read)) return false;
            if (!read.SameFile(stamp_)) return false;
            SimCameraModel model = ParseCamFile(text);
            KeepState(Model(), model);
            Model() = std::move(model);
            stamp_ = read;
        }
        return true;
    }

private:
    std::string path_;
    FileStamp stamp_;
    // Held open for the camera's life: the file's inode cannot be handed to
    // a new file while it is open, so a camera plugged in again under the
    // same name is never taken for this one.
    int fd_;
};

class DirectorySource final : public SimDeviceSource {
public:
    explicit DirectorySource(std::string directory)
        : directory_(std::move(directory)), log_(std::make_shared<FileLog>(directory_ + "/requests.log")) {}

    // A fresh look at the directory on every enumeration. A missing or
    // unreadable directory is a bus without devices.
    HResult Scan(std::vector<std::shared_ptr<SimCamera>>& devices) override {
        std::map<std::string, std::shared_ptr<FileCamera>> seen;
        for (const std::string& fileName : CamFileNames()) {
            const std::string logName = fileName.substr(0, fileName.size() - kCamSuffix.size());
            const std::string path = directory_ + "/" + fileName;
            std::shared_ptr<FileCamera> camera;
            if (const auto it = cameras_.find(logName); it != cameras_.end() && it->second->Plugged())
                camera = it->second;
            else camera = PlugIn(logName, path);
            if (!camera) continue;
            seen[logName] = camera;
            devices.push_back(camera);
        }
        for (auto& [logName, camera] : cameras_) {
            const auto it = seen.find(logName);
            if (it == seen.end() || it->second != camera) camera->Unplug();
        }
        cameras_ = std::move(seen);
        return kOk;
    }

private:
    std::vector<std::string> CamFileNames() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(directory_.c_str());
        if (dir == nullptr) return names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name.size() > kCamSuffix.size() && name.substr(name.size() - kCamSuffix.size()) == kCamSuffix)
                names.emplace_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::shared_ptr<FileCamera> PlugIn(const std::string& logName, const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return nullptr;
        std::string text;
        FileStamp stamp;
        struct stat st;
        if (!ReadCamFile(path, text, stamp) || ::fstat(fd, &st) != 0 || !FileStamp::Of(st).SameFile(stamp)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_shared<FileCamera>(logName, path, text, stamp, fd, log_);
    }

    std::string directory_;
    std::shared_ptr<RequestLog> log_;
    std::map<std::string, std::shared_ptr<FileCamera>> cameras_;
};

}  // namespace
}  // namespace lumetra::platform::sim

namespace lumetra::platform {

std::unique_ptr<Backend> CreateSimDirectoryBackend(const std::string& directory) {
    return sim::CreateSimBackend(std::make_shared<sim::DirectorySource>(directory));
}

}  // namespace lumetra::platform
