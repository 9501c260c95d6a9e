#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/key_value_store.hpp"

namespace quilvo::testing {

// A key-value store in memory, safe from any thread, shared with no other process.
class MemoryStore : public KeyValueStore {
  public:
    std::optional<std::string> text(const std::string& key) override {
        std::lock_guard lock(mutex_);
        const auto found = values_.find(key);
        if (found == values_.end() || !std::holds_alternative<std::string>(found->second)) {
            return std::nullopt;
        }
        return std::get<std::string>(found->second);
    }

    void setText(const std::string& key, const std::string& value) override {
        std::lock_guard lock(mutex_);
        values_[key] = value;
    }

    std::optional<std::vector<std::string>> textList(const std::string& key) override {
        std::lock_guard lock(mutex_);
        const auto found = values_.find(key);
        if (found == values_.end() ||
            !std::holds_alternative<std::vector<std::string>>(found->second)) {
            return std::nullopt;
        }
        return std::get<std::vector<std::string>>(found->second);
    }

    void setTextList(const std::string& key, const std::vector<std::string>& value) override {
        std::lock_guard lock(mutex_);
        values_[key] = value;
    }

    bool lock(Seconds) override { return true; }
    void unlock() override {}
    void stopWaiting() override {}

  private:
    std::mutex mutex_;
    std::map<std::string, std::variant<std::string, std::vector<std::string>>> values_;
};

}  // namespace quilvo::testing
