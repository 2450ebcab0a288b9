#pragma once

#include <optional>
#include <string_view>
#include <vector>

//! Versions of the desktop program as the service knows them.
namespace version {

//! The newest version of Pictorelle; the update check compares with it.
constexpr std::string_view Latest = "1.0";
//! The oldest version allowed to publish.
constexpr std::string_view OldestPublishing = "1.0";

//! "1.0", "2.10.3": numbers separated by dots; nothing for anything else.
std::optional<std::vector<int>> parse(std::string_view text);

//! Negative, zero or positive as a is older than, equal to or newer than b ("1.0" == "1").
int compare(const std::vector<int>& a, const std::vector<int>& b);

//! Whether text is a version at least as new as reference.
bool atLeast(std::string_view text, std::string_view reference);

} // namespace version
