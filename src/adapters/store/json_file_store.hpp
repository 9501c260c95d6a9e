#pragma once

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/key_value_store.hpp"

namespace quilvo {

// Persisted state as one JSON object in a file. Every change rewrites the whole file through a
// temporary file that is synced and renamed over it, so a crash leaves the old file or the new
// one, never a mix. A missing, unreadable or corrupt file reads as empty and the next change
// replaces it. The file is read on every access, so nothing is cached between runs or between
// processes. A file that is there but cannot be read (a directory in its place, no permission)
// reads as empty too, but is never replaced: writes then fail. The cross-process lock is an flock
// on "<file>.lock" beside it; the kernel drops it when its holder dies, so a killed process never
// leaves the state locked.
class JsonFileStore : public KeyValueStore {
  public:
    explicit JsonFileStore(std::filesystem::path file);

    // $XDG_STATE_HOME/quilvo/state.json, or ~/.local/state/quilvo/state.json.
    static std::filesystem::path defaultPath();

    std::optional<std::string> text(const std::string& key) override;
    bool setText(const std::string& key, const std::string& value) override;
    std::optional<std::vector<std::string>> textList(const std::string& key) override;
    bool setTextList(const std::string& key, const std::vector<std::string>& value) override;
    bool lock(Seconds wait) override;
    void unlock() override;
    void stopWaiting() override;

  private:
    const std::filesystem::path file_;
    std::mutex mutex_;
    // Guards the two below and wakes a wait for the lock.
    std::mutex lockMutex_;
    std::condition_variable lockWake_;
    bool stopWaiting_ = false;
    int lockFd_ = -1;
};

}  // namespace quilvo
