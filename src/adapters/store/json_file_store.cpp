#include "adapters/store/json_file_store.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace quilvo {

namespace {

using nlohmann::json;

// The document; an empty one when there is no file or it is corrupt, absent when a file is
// there that cannot be read.
std::optional<json> readDocument(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? std::optional(json::object()) : std::nullopt;
    }
    std::string content;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno != EINTR) {
            ::close(fd);
            return std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    ::close(fd);
    json document = json::parse(content, nullptr, false);
    return document.is_object() ? document : json::object();
}

// Missing directories are made private to the user, as the XDG base directory rules ask.
bool makeDirectories(const std::filesystem::path& directory) {
    std::error_code error;
    if (directory.empty() || std::filesystem::is_directory(directory, error)) {
        return true;
    }
    if (!makeDirectories(directory.parent_path())) {
        return false;
    }
    return ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void syncDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A failed write leaves the old file in place.
bool writeDocument(const std::filesystem::path& file, const json& document) {
    const std::filesystem::path directory = file.parent_path();
    if (!makeDirectories(directory)) {
        return false;
    }
    std::string temporary = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const std::string content = document.dump(-1, ' ', false, json::error_handler_t::replace);
    const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncDirectory(directory);
    return true;
}

// Every key but `key` as it was: a file that cannot be read is left alone.
bool replaceValue(const std::filesystem::path& file, const std::string& key, json value) {
    std::optional<json> document = readDocument(file);
    if (!document) {
        return false;
    }
    (*document)[key] = std::move(value);
    return writeDocument(file, *document);
}

// Between tries for a lock held by another process. flock cannot wait with a timeout, and a
// holder keeps it for one upload at most, so a few tries a second cost nothing.
constexpr std::chrono::milliseconds kLockRetry{25};

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

}  // namespace

JsonFileStore::JsonFileStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path JsonFileStore::defaultPath() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    // A relative value is invalid by the XDG rules and is ignored.
    std::filesystem::path base = stateHome && std::filesystem::path(stateHome).is_absolute()
                                     ? std::filesystem::path(stateHome)
                                     : homeDirectory() / ".local" / "state";
    return base / "quilvo" / "state.json";
}

std::optional<std::string> JsonFileStore::text(const std::string& key) {
    std::lock_guard lock(mutex_);
    const json document = readDocument(file_).value_or(json::object());
    const auto found = document.find(key);
    if (found == document.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

bool JsonFileStore::setText(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    return replaceValue(file_, key, value);
}

std::optional<std::vector<std::string>> JsonFileStore::textList(const std::string& key) {
    std::lock_guard lock(mutex_);
    const json document = readDocument(file_).value_or(json::object());
    const auto found = document.find(key);
    if (found == document.end() || !found->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> values;
    values.reserve(found->size());
    for (const json& element : *found) {
        if (!element.is_string()) {
            return std::nullopt;
        }
        values.push_back(element.get<std::string>());
    }
    return values;
}

bool JsonFileStore::setTextList(const std::string& key, const std::vector<std::string>& value) {
    std::lock_guard lock(mutex_);
    return replaceValue(file_, key, value);
}

bool JsonFileStore::lock(Seconds wait) {
    std::unique_lock guard(lockMutex_);
    std::filesystem::path lockFile = file_;
    lockFile += ".lock";
    const int fd = makeDirectories(file_.parent_path())
                       ? ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                       : -1;
    if (fd < 0) {
        // A folder we cannot write to holds no state to protect: the writes fail as well.
        return true;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::ceil<std::chrono::milliseconds>(wait);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            // A file system without locks: work unlocked, as a single process always could.
            ::close(fd);
            return true;
        }
        if (stopWaiting_ || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return false;
        }
        lockWake_.wait_for(guard, kLockRetry);
    }
    lockFd_ = fd;
    return true;
}

void JsonFileStore::unlock() {
    std::lock_guard guard(lockMutex_);
    if (lockFd_ >= 0) {
        // Closing the only descriptor of the lock file releases the lock.
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

void JsonFileStore::stopWaiting() {
    std::lock_guard guard(lockMutex_);
    stopWaiting_ = true;
    lockWake_.notify_all();
}

}  // namespace quilvo
