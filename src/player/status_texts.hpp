#pragma once

#include <string_view>

namespace quilvo {

// The model's messages on the status line.
inline constexpr std::string_view kNoStationText = "这个状态暂时没有可用电台";
inline constexpr std::string_view kNoStationMarker = "暂时没有";
inline constexpr std::string_view kRandomMoodPrefix = "随心情播放 · ";
inline constexpr std::string_view kGiveUpText = "暂时无法播放，请稍后重试";
inline constexpr std::string_view kOutputChangedText = "音频输出已切换，已暂停";
inline constexpr std::string_view kOfflineText = "网络已断开，恢复后继续播放";
inline constexpr std::string_view kNoSoundServerText = "音频服务不可用，恢复后继续播放";

// The texts shown while the player waits for the machine rather than for a station.
inline bool isWaitingText(std::string_view text) {
    return text == kOfflineText || text == kNoSoundServerText;
}

// The sleep timer's remaining-time texts.
inline constexpr std::string_view kSleepUnderMinuteText = "不足 1 分钟";
inline constexpr std::string_view kSleepRemainPrefix = "还剩 ";
inline constexpr std::string_view kSleepRemainSuffix = " 分钟";

}  // namespace quilvo
