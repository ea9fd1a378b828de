// The one result table: every code the header declares has its own name,
// and each code's kind is the one docs/motion.md gives it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "vekkestra_motion.h"

namespace {

// (name, value) of every "#define NAME 123u" of a header whose name matches.
std::vector<std::pair<std::string, uint32_t>> CodesOf(const char* path, const char* names) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  const std::string all = text.str();
  std::vector<std::pair<std::string, uint32_t>> codes;
  const std::regex define(std::string("#define (") + names + ")\\s+([0-9]+)u");
  for (std::sregex_iterator it(all.begin(), all.end(), define), end; it != end; ++it) {
    const std::pair<std::string, uint32_t> code{(*it)[1], static_cast<uint32_t>(std::stoul((*it)[2]))};
    bool seen = false;
    for (const auto& c : codes) seen = seen || c == code;  // the header lists its codes twice
    if (!seen) codes.push_back(code);
  }
  return codes;
}

TEST(ResultTable, EveryCodeOfTheHeadersHasItsOwnNameAndARow) {
  auto codes = CodesOf(VEK_HEADER, "VEK_SUCCESS|VEK_ERROR_[A-Z_]+");
  const auto core = CodesOf(VEKM_HEADER, "VEKM_[A-Z_]+");
  ASSERT_GE(codes.size(), 2u);
  ASSERT_GE(core.size(), 2u);
  codes.insert(codes.end(), core.begin(), core.end());
  std::set<uint32_t> listed;
  for (int32_t i = 0; i < vekm_result_count(); ++i) listed.insert(vekm_result_at(i));
  for (const auto& [name, value] : codes) {
    if (name == "VEKM_DEFAULT_TIMEOUT_MS") continue;  // a time, not a code (no "u" suffix either)
    EXPECT_EQ(vekm_result_name(value), name);
    EXPECT_TRUE(listed.count(value)) << name;
    EXPECT_STRNE(vekm_result_text(value), "") << name;
  }
  EXPECT_EQ(listed.size(), codes.size());
  EXPECT_STREQ(vekm_result_name(999), "VEK_ERROR_UNKNOWN");
  EXPECT_EQ(vekm_result_at(vekm_result_count()), 0xFFFFFFFFu);
}

TEST(ResultTable, KindsAreTheDocumentedOnes) {
  const std::vector<std::pair<int32_t, std::vector<uint32_t>>> kinds = {
      {VEKM_KIND_NONE, {0}},
      {VEKM_KIND_OTHER, {2, 3, 5, 7, 50, 101, 215, 216, 999}},
      {VEKM_KIND_TIMEOUT, {6, 213, 214, 352}},
      {VEKM_KIND_CONNECTION, {201, 202, 211, 212, 217, 301, 350, 351}},
      {VEKM_KIND_LIMIT, {VEKM_LIMIT}},
      {VEKM_KIND_SLIP, {VEKM_SLIP}},
      {VEKM_KIND_INTERRUPTED, {VEKM_INTERRUPTED}},
      {VEKM_KIND_CANCELLED, {VEKM_CANCELLED}},
      {VEKM_KIND_CLOSED, {VEKM_CLOSED}},
      {VEKM_KIND_ARGUMENT, {VEKM_BAD_ARGUMENT}},
  };
  for (const auto& [kind, codes] : kinds) {
    for (const uint32_t code : codes) EXPECT_EQ(vekm_result_kind(code), kind) << code;
  }
  EXPECT_STREQ(vekm_kind_name(VEKM_KIND_TIMEOUT), "timeout");
  EXPECT_STREQ(vekm_kind_name(VEKM_KIND_INTERRUPTED), "interrupted");
}

}  // namespace
