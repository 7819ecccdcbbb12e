#include "DemoScript.h"

#include <array>

namespace {

using Kind = DemoStep::Kind;

constexpr std::string_view kMaple = "Maple Jones";
constexpr std::string_view kOtto = "Otto Park";
constexpr std::string_view kRosa = "Rosa Lind";

constexpr std::array kScript{
    DemoStep{1000, Kind::Arrive, kMaple, {}},
    DemoStep{2000, Kind::Say, kMaple, "Good morning, everyone!"},
    DemoStep{1500, Kind::Arrive, kOtto, {}},
    DemoStep{3000, Kind::Say, kOtto, "Morning! The train was late again, so I need a coffee."},
    DemoStep{4000, Kind::Say, kMaple, "The weather is lovely today, perfect for a walk in the park."},
    DemoStep{2000, Kind::Arrive, kRosa, {}},
    DemoStep{3000, Kind::Say, kRosa, "Hi all! Has anyone tried the new bakery on Main Street?"},
    DemoStep{4000, Kind::Say, kOtto, "Yes, their <b>apple pie</b> is wonderful."},
    DemoStep{4000, Kind::Say, kMaple, "What are you all doing for lunch? I'm thinking pizza."},
    DemoStep{4000, Kind::Say, kRosa, "Pizza sounds good. My cat knocked the plant over this morning, what a mess."},
    DemoStep{4000, Kind::Say, kOtto, "Did anyone watch the game last night?"},
    DemoStep{4000, Kind::Say, kMaple, "Only the second half. The meeting ran long."},
    DemoStep{4000, Kind::Say, kRosa, "Don't forget it's Sam's birthday on Friday, I'll bring a cake."},
    DemoStep{4000, Kind::Say, kOtto, "I have to go and walk the dog. See you later!"},
    DemoStep{1500, Kind::Leave, kOtto, {}},
    DemoStep{4000, Kind::Say, kMaple, "Is it going to rain this weekend? I wanted to work in the garden."},
    DemoStep{4000, Kind::Say, kRosa, "The forecast says sunny on Saturday. Enjoy the garden!"},
    DemoStep{3000, Kind::Say, kRosa, "Back to work for me. Bye!"},
    DemoStep{1500, Kind::Leave, kRosa, {}},
    DemoStep{3000, Kind::Say, kMaple, "Time for a coffee break. Talk soon!"},
    DemoStep{1500, Kind::Leave, kMaple, {}},
};

}  // namespace

std::span<const DemoStep> DemoScript() { return kScript; }

void PlayDemoStep(ServerCore& core, std::int32_t roomId, const DemoStep& step) {
  switch (step.kind) {
    case Kind::Arrive:
      core.ScriptedArrival(roomId, step.person);
      return;
    case Kind::Say:
      core.ScriptedMessage(roomId, step.person, step.text);
      return;
    case Kind::Leave:
      core.ScriptedDeparture(roomId, step.person);
      return;
  }
}
