// The demo room: a few people the server plays itself arrive in room "demo"
// on exchange 4, talk every few seconds with ordinary sentences, and leave;
// then the script starts again. Steps and timing are fixed, so every run of
// the demo is the same.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ServerCore.h"

inline constexpr std::int32_t kDemoExchange = 4;
inline constexpr std::string_view kDemoRoom = "demo";

struct DemoStep {
  enum class Kind { Arrive, Say, Leave };
  // Waited before the step is played.
  int delayMs;
  Kind kind;
  std::string_view person;
  std::string_view text;
};

std::span<const DemoStep> DemoScript();

void PlayDemoStep(ServerCore& core, std::int32_t roomId, const DemoStep& step);
