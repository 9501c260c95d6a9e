#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/key_value_store.hpp"

namespace quilvo::testing {

// A key-value store in memory, safe from any thread, shared with no other process. While
// `writable` is false every write fails, as on a read-only or full disk.
class MemoryStore : public KeyValueStore {
  public:
    std::optional<std::string> text(const std::string& key) override {
        return get<std::string>(key);
    }
    bool setText(const std::string& key, const std::string& value) override {
        return set(key, value);
    }
    std::optional<std::vector<std::string>> textList(const std::string& key) override {
        return get<std::vector<std::string>>(key);
    }
    bool setTextList(const std::string& key, const std::vector<std::string>& value) override {
        return set(key, value);
    }

    bool lock(Seconds) override { return true; }
    void unlock() override {}
    void stopWaiting() override {}

    std::atomic<bool> writable = true;
    std::atomic<int> writes = 0;

  private:
    template <class T>
    std::optional<T> get(const std::string& key) {
        std::lock_guard lock(mutex_);
        const auto found = values_.find(key);
        const T* value = found == values_.end() ? nullptr : std::get_if<T>(&found->second);
        return value ? std::optional<T>(*value) : std::nullopt;
    }
    template <class T>
    bool set(const std::string& key, const T& value) {
        std::lock_guard lock(mutex_);
        ++writes;
        if (writable) {
            values_[key] = value;
        }
        return writable;
    }

    std::mutex mutex_;
    std::map<std::string, std::variant<std::string, std::vector<std::string>>> values_;
};

}  // namespace quilvo::testing
