// Prints how the simulator and the library perform together; asserts nothing.
//   1. moves waited on through the library against the profile's analytic time,
//   2. the delay from a motion's end to the library's wait returning,
//   3. twenty clients querying at once, counting any reply that went missing,
//   4. how many command texts the model alone parses and runs per second.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/model.h"
#include "sim/simulator.h"
#include "vekkestra.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kComPort = 11;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Stats {
  std::vector<double> values;
  double Median() {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
  }
  double Max() const { return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()); }
};

// Analytic duration of a rest-to-rest move with the simulator's planner.
double ProfileMs(int32_t vb, int32_t vl, int32_t ac, int32_t distance) {
  vek::sim::Model model;
  char text[96];
  std::snprintf(text, sizeof text, "AXVB%d;AXVL%d;AXAC%d;", vb, vl, ac);
  model.Execute(text, 0.0);
  return model.MoveDuration(0, distance) * 1000.0;
}

void MoveTimes(bool serial, uint32_t* h) {
  const int32_t vb = 0, vl = 20000, ac = 200000;
  auto send = [&](const char* t) { return serial ? VEKser_SendCommand(h, t) : VEKnet_SendCommand(h, t); };
  char setup[64];
  std::snprintf(setup, sizeof setup, "AXVB%d;AXVL%d;AXAC%d;", vb, vl, ac);
  send(setup);
  // The cost of a command that moves nothing: on TCP the library's 10 ms
  // drain and the exchange; on the pty only the write.
  Stats plain;
  for (int i = 0; i < 10; ++i) {
    auto t = Clock::now();
    send("AXVB0;");
    plain.values.push_back(MsSince(t));
  }
  std::printf("%s: a command that moves nothing costs %.2f ms (median of 10)\n", serial ? "pty" : "tcp",
              plain.Median());
  std::printf("  %8s %12s %12s %12s %14s\n", "distance", "profile ms", "measured ms", "over ms", "latency ms");
  Stats over, latency;
  int32_t direction = 1;
  const int32_t distances[] = {500, 2000, 4000, 10000, 20000};
  for (int round = 0; round < 2; ++round) {
    for (int32_t d : distances) {
      direction = -direction;
      double profile = ProfileMs(vb, vl, ac, d);
      serial ? VEKser_ClearMultiAxisDoneFlags(h, VEK_AXIS_X) : VEKnet_ClearMultiAxisDoneFlags(h, VEK_AXIS_X);
      auto t = Clock::now();
      uint32_t r = serial ? VEKser_MoveAxis(h, VEK_AXIS_X, 1, direction * d, 0, 10000)
                          : VEKnet_MoveAxis(h, VEK_AXIS_X, 1, direction * d, 0, 10000);
      double measured = MsSince(t);
      double extra = measured - profile;
      // On TCP the move's own exchange costs about what a plain command does;
      // what remains is the time from the motion's end to the wait returning.
      // On the pty it also holds the 3 ms command gap and the 5 ms drains.
      double late = extra - (serial ? 0.0 : plain.Median());
      over.values.push_back(extra);
      latency.values.push_back(late);
      if (round == 1)
        std::printf("  %8d %12.2f %12.2f %12.2f %14.2f%s\n", d, profile, measured, extra, late,
                    r == 0 ? "" : "  (move failed)");
    }
  }
  std::printf("  over the profile: median %.2f ms, worst %.2f ms (target: 2 ms + one 10 ms poll + the exchange)\n",
              over.Median(), over.Max());
  std::printf("  end of motion to wait returning: median %.2f ms, worst %.2f ms\n\n", latency.Median(), latency.Max());
}

void ManyClients(uint16_t port, vek::sim::Simulator& sim) {
  const int kClients = 20, kQueries = 100;
  std::atomic<int> missed{0}, wrong{0}, connected{0};
  std::vector<std::thread> threads;
  uint64_t before = sim.commandsServed();
  auto start = Clock::now();
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&, c] {
      uint32_t h = 0;
      if (VEKnet_Initialize("127.0.0.1", port, &h) != 0) {
        missed += kQueries;
        return;
      }
      ++connected;
      const char axis = "YZTUVRSWK"[c % 9];  // X has the move figures' velocity
      char query[8];
      std::snprintf(query, sizeof query, "A%c?VL", axis);
      for (int i = 0; i < kQueries; ++i) {
        char answer[128] = {0};
        uint32_t r = VEKnet_Query(&h, query, answer, sizeof answer);
        if (r != 0) {
          ++missed;
        } else if (std::string(answer) != "=10000") {
          ++wrong;
        }
      }
      VEKnet_Close(&h);
    });
  }
  for (auto& t : threads) t.join();
  double ms = MsSince(start);
  uint64_t served = sim.commandsServed() - before;
  std::printf("20 clients at once: %d connected, %d queries each, %llu served in %.0f ms (%.0f per second)\n",
              connected.load(), kQueries, static_cast<unsigned long long>(served), ms,
              static_cast<double>(served) * 1000.0 / ms);
  std::printf("  missed replies: %d, wrong answers: %d\n", missed.load(), wrong.load());
}

// The model without I/O: the texts the library sends most, settings, moves,
// queries and refused ones, with the clock moving on so that motions end.
void ModelThroughput() {
  const char* const texts[] = {"AXVB100;AXVL20000;AXAC200000;",
                               "AXMA5000;GDID;",
                               "AAMA100,,-5,,,,,,,7;GDID;",
                               "AXRP;",
                               "PP",
                               "PE;",
                               "AA?VL",
                               "AYJG-3000;",
                               "SI,1;",
                               "AZEA",
                               "BX",
                               "AXQQ;",
                               "AXHSHM0;ID",
                               "AMLP,,,,,,,,,0;",
                               "BS5 ;",
                               "#ER",
                               "AXMA-5000;GDIP;"};
  vek::sim::Model model;
  const int kRounds = 20000;
  size_t answers = 0;
  double now = 0.0;
  auto start = Clock::now();
  for (int round = 0; round < kRounds; ++round) {
    for (const char* text : texts) {
      answers += model.Execute(text, now).answers.size();
      now += 0.001;
    }
    model.TakeEvents();
  }
  double ms = MsSince(start);
  const double count = static_cast<double>(kRounds) * static_cast<double>(sizeof texts / sizeof texts[0]);
  std::printf("model alone: %.0f texts in %.0f ms (%.0f per second, %zu answers)\n", count, ms, count * 1000.0 / ms,
              answers);
}

}  // namespace

int main() {
  ModelThroughput();
  vek::sim::Options o;
  o.enablePty = true;
  o.publishComPort = kComPort;
  vek::sim::Simulator sim(o);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "sim_bench: %s\n", error.c_str());
    return 1;
  }
  uint32_t net = 0, ser = 0;
  if (VEKnet_Initialize("127.0.0.1", sim.tcpPort(), &net) == 0) {
    MoveTimes(false, &net);
    VEKnet_Close(&net);
  }
  if (VEKser_Initialize(kComPort, 115200, &ser) == 0) {
    MoveTimes(true, &ser);
    VEKser_Close(&ser);
  }
  ManyClients(sim.tcpPort(), sim);
  sim.Stop();
  return 0;
}
