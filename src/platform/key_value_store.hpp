#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quilvo {

// Persisted state. Safe to use from the statistics thread.
class KeyValueStore {
  public:
    virtual ~KeyValueStore() = default;
    // Absent when nothing is stored under `key` or it is not text.
    virtual std::optional<std::string> text(const std::string& key) = 0;
    virtual void setText(const std::string& key, const std::string& value) = 0;
    // Absent when nothing is stored under `key` or it is not a list of texts.
    virtual std::optional<std::vector<std::string>> textList(const std::string& key) = 0;
    virtual void setTextList(const std::string& key, const std::vector<std::string>& value) = 0;
};

}  // namespace quilvo
