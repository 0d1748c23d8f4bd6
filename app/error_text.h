// How the application's error box words a message.
#pragma once

#include <string>
#include <string_view>

namespace vermiq {

// The application title, also the error box's title.
inline constexpr const char* kAppTitle = "辺長値を描画する";

// A full stop is appended when the message's last character sorts after "." (its first byte
// compared, so a Japanese last character gets one and "…." or "…!" do not).
std::string WithFullStop(std::string_view message);

// `message` with `text` in place of its first "%s".
std::string Filled(std::string_view message, std::string_view text);

// "%s に書き込めません" for the settings file that could not be written.
std::string CannotWriteMessage(std::string_view path);

} // namespace vermiq
