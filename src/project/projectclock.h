#pragma once
// The local date and time written into saved projects ("created" in
// project.xml, the save time in copyright.txt). Tests fix it.
#include <ctime>
#include <functional>
#include <string>

namespace quenvar {

using TLocalTimeSource = std::function<std::tm()>;

// Replaces the clock; an empty function restores the system clock.
void SetLocalTimeSource(TLocalTimeSource source);

// Short date, a blank and the long time: "2026-12-09 07:15:04".
std::string LocalTimeText();

}  // namespace quenvar
