// The veksim program as a user runs it: its version, its help against the
// flags docs/simulator.md lists, usage errors, and the axis flags reaching
// the controller it serves.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "tests/sim/sim_link.h"
#include "vekkestra.h"
#include "vekkestra_version.h"

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // standard output and standard error together
};

Outcome Veksim(const std::string& args) {
  Outcome run;
  FILE* p = popen(("'" VEKSIM_PATH "' " + args + " 2>&1").c_str(), "r");
  if (p == nullptr) return run;
  char chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) run.output.append(chunk, n);
  const int status = pclose(p);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::set<std::string> FlagsIn(const std::string& text, const std::regex& flag) {
  std::set<std::string> flags;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), flag); it != std::sregex_iterator(); ++it)
    flags.insert((*it)[1]);
  return flags;
}

TEST(Veksim, VersionHelpAndUsageErrors) {
  const struct {
    const char* args;
    int status;
    const char* output;  // a regular expression the whole output matches
  } rows[] = {
      {"--version", 0, "veksim " VEK_PRODUCT_VERSION "\n"},
      {"--help", 0, "veksim: [\\s\\S]*--limits A=NEG,POS[\\s\\S]*"},
      {"-h", 0, "veksim: [\\s\\S]*--publish-com N[\\s\\S]*"},
      {"--no-tcp", 2, "veksim: nothing to serve \\(--no-tcp without --pty\\)\n"},
      {"--port 65536", 2, "--port: [^\n]*65536[\\s\\S]*"},
      {"--latency -1", 2, "--latency: [\\s\\S]*"},
      {"--command-gap 0", 2, "--command-gap: [\\s\\S]*"},
      {"--slip-axis Q", 2, "--slip-axis: [\\s\\S]*"},
      {"--trip-limit X=", 2, "--trip-limit: [\\s\\S]*"},
      {"--home X", 2, "--home: [\\s\\S]*"},
      {"--limits X=5,-5", 2, "--limits: [\\s\\S]*"},
      {"--home X=1 Y=2", 2, "[\\s\\S]*Y=2[\\s\\S]*"},  // one value per --home
      {"--frobnicate", 2, "[\\s\\S]*--frobnicate[\\s\\S]*"},
  };
  for (const auto& row : rows) {
    const Outcome run = Veksim(row.args);
    EXPECT_EQ(run.status, row.status) << row.args << "\n" << run.output;
    EXPECT_TRUE(std::regex_match(run.output, std::regex(row.output))) << row.args << "\n" << run.output;
  }
}

TEST(Veksim, HelpListsTheFlagsTheDocumentationDoes) {
  std::ifstream file(VEK_SOURCE_DIR "/docs/simulator.md");
  ASSERT_TRUE(file) << "docs/simulator.md";
  std::string docs((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // Table rows: "| `--port N` | ...".
  const std::set<std::string> documented = FlagsIn(docs, std::regex("\n\\| `(--[a-z-]+)"));
  const Outcome help = Veksim("--help");
  ASSERT_EQ(help.status, 0) << help.output;
  EXPECT_GE(documented.size(), 19u);
  EXPECT_EQ(FlagsIn(help.output, std::regex("\n *(?:-h,)?(--[a-z-]+)")), documented) << help.output;
}

// docs/simulator.md: the home switch sits at POS steps, the limit switches at
// NEG and POS, a tripped switch stops motion toward it, and a slipping axis's
// encoder advances at half the motor's rate.
TEST(Veksim, AxisFlagsReachTheController) {
  FILE* lines = popen(
      "echo $$; exec '" VEKSIM_PATH "' --port 0 --home x=300 --limits 1=-50,50 --trip-limit Z- --slip-axis u", "r");
  ASSERT_NE(lines, nullptr);
  char line[256] = {0};
  int pid = 0;
  unsigned port = 0;
  if (std::fgets(line, sizeof line, lines) != nullptr) pid = std::atoi(line);
  if (std::fgets(line, sizeof line, lines) != nullptr) std::sscanf(line, "veksim: listening on 127.0.0.1:%u", &port);
  uint32_t h = 0;
  EXPECT_EQ(VEKnet_Initialize("127.0.0.1", static_cast<uint16_t>(port), &h), VEK_SUCCESS) << line;
  auto read = [&](const char* query) {
    char answer[128] = {0};
    return VEKnet_Query(&h, query, answer, sizeof answer) == VEK_SUCCESS ? std::string(answer) : "(failed)";
  };
  // Motion takes a moment.
  auto settlesAt = [&](const char* query, const std::string& expected) {
    std::string answer;
    vek::sim::Eventually([&] { return (answer = read(query)) == expected; });
    return answer;
  };
  EXPECT_EQ(VEKnet_SendCommand(&h, "AAVB0,0,0,,0;AAVL20000,20000,20000,,20000;AXHS;AYJG5000;AZJG-100;AUMA1000;GD;"),
            VEK_SUCCESS);
  EXPECT_EQ(settlesAt("AXRP;", "300"), "300");
  EXPECT_EQ(settlesAt("AYRP;", "50"), "50");
  EXPECT_EQ(settlesAt("AURP;", "1000"), "1000");
  EXPECT_EQ(read("AURE;"), "500");
  EXPECT_EQ(read("AZRP;"), "0");
  uint32_t limit = 0;
  EXPECT_EQ(VEKnet_GetAxisOvertravelFlag(&h, VEK_AXIS_Z, &limit), VEK_SUCCESS);
  EXPECT_EQ(limit, 1u);
  VEKnet_Close(&h);
  if (pid > 0) kill(pid, SIGTERM);
  pclose(lines);
}

}  // namespace
