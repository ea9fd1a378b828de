// Feeds arbitrary command texts to the simulator's controller model, with
// time moving on between them: every text is accepted or refused, never
// crashes the model, and every refusal is recorded for "#ER".
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vek::sim::Model model;
  double now = 0.0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // Texts are separated by newlines in the fuzz input; the model sees each
  // one as a received command text.
  while (!input.empty()) {
    size_t end = input.find('\n');
    std::string_view text = input.substr(0, end);
    model.Execute(text, now);
    now += 0.013;
    model.Advance(now);
    model.TakeEvents();
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  model.Advance(now + 60.0);
  model.TakeEvents();
  return 0;
}
