#include "sim/model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

namespace vek::sim {

namespace {
// M_PI is not standard C++ (MinGW leaves it out).
constexpr double kPi = 3.14159265358979323846;
}  // namespace

// ---- Notifications -----------------------------------------------------------

uint32_t NotificationValueFromFlags(uint32_t flags) {
  uint32_t n = 0;
  n |= flags & 0xFFu;                  // done X..S
  n |= ((flags >> 10) & 0xFFu) << 8;   // limit X..S
  n |= ((flags >> 20) & 0xFFu) << 16;  // slip X..S
  n |= ((flags >> 30) & 0x1u) << 24;   // command error
  n |= ((flags >> 8) & 0x3u) << 25;    // done W, K
  n |= ((flags >> 18) & 0x3u) << 27;   // limit W, K
  n |= ((flags >> 28) & 0x3u) << 29;   // slip W, K
  return n;
}

std::string TcpNotification(uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%%000 %08X\r\n", static_cast<unsigned>(value));
  return text;
}

std::string SerialNotification(uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%%000 %08X\n", static_cast<unsigned>(value));
  return text;
}

// ---- The command language ----------------------------------------------------

namespace {

enum Mn {
  kMA,
  kMR,
  kMT,
  kML,
  kGD,
  kID,
  kIP,
  kJG,
  kJF,
  kLP,
  kVB,
  kVL,
  kAC,
  kSC,
  kLA,
  kPR,
  kSS,
  kHL,
  kHH,
  kHS,
  kHE,
  kHM,
  kHR,
  kLN,
  kLF,
  kLL,
  kLH,
  kSL,
  kSF,
  kTL,
  kER,
  kHD,
  kES,
  kHG,
  kHV,
  kHF,
  kHN,
  kIS,
  kEA,
  kRP,
  kRE,
  kRV,
  kRC,
  kQVB,
  kQVL,
  kQAC,
  kPA,
  kSE,
  kADL,
  kADH,
  kAF,
  kAN,
  kMP,
  kMM,
  kMO,
  kKL,
  kST,
  // Global: no axis selection needed.
  kPP,
  kPE,
  kSA,
  kSI,
  kKS,
  kBD,
  kBS,
  kBH,
  kBL,
  kBX,
  kRB,
  kQER,
};

enum class Arg { kNone, kDecimal, kHex };

struct MnemonicInfo {
  const char* name;
  Mn id;
  Arg arg;
  bool global;
  bool query;
};

// Three-character names come first so that the longest name wins.
constexpr MnemonicInfo kMnemonics[] = {
    {"ADL", kADL, Arg::kNone, false, false},  {"ADH", kADH, Arg::kNone, false, false},
    {"?VB", kQVB, Arg::kNone, false, true},   {"?VL", kQVL, Arg::kNone, false, true},
    {"?AC", kQAC, Arg::kNone, false, true},   {"#ER", kQER, Arg::kNone, true, true},
    {"MA", kMA, Arg::kDecimal, false, false}, {"MR", kMR, Arg::kDecimal, false, false},
    {"MT", kMT, Arg::kDecimal, false, false}, {"ML", kML, Arg::kDecimal, false, false},
    {"GD", kGD, Arg::kNone, false, false},    {"ID", kID, Arg::kNone, false, false},
    {"IP", kIP, Arg::kNone, false, false},    {"JG", kJG, Arg::kDecimal, false, false},
    {"JF", kJF, Arg::kDecimal, false, false}, {"LP", kLP, Arg::kDecimal, false, false},
    {"VB", kVB, Arg::kDecimal, false, false}, {"VL", kVL, Arg::kDecimal, false, false},
    {"AC", kAC, Arg::kDecimal, false, false}, {"SC", kSC, Arg::kNone, false, false},
    {"LA", kLA, Arg::kNone, false, false},    {"PR", kPR, Arg::kDecimal, false, false},
    {"SS", kSS, Arg::kDecimal, false, false}, {"HL", kHL, Arg::kNone, false, false},
    {"HH", kHH, Arg::kNone, false, false},    {"HS", kHS, Arg::kNone, false, false},
    {"HE", kHE, Arg::kNone, false, false},    {"HM", kHM, Arg::kDecimal, false, false},
    {"HR", kHR, Arg::kDecimal, false, false}, {"LN", kLN, Arg::kNone, false, false},
    {"LF", kLF, Arg::kNone, false, false},    {"LL", kLL, Arg::kNone, false, false},
    {"LH", kLH, Arg::kNone, false, false},    {"SL", kSL, Arg::kNone, false, false},
    {"SF", kSF, Arg::kNone, false, false},    {"TL", kTL, Arg::kDecimal, false, false},
    {"ER", kER, Arg::kDecimal, false, false}, {"HD", kHD, Arg::kDecimal, false, false},
    {"ES", kES, Arg::kDecimal, false, false}, {"HG", kHG, Arg::kDecimal, false, false},
    {"HV", kHV, Arg::kDecimal, false, false}, {"HF", kHF, Arg::kNone, false, false},
    {"HN", kHN, Arg::kNone, false, false},    {"IS", kIS, Arg::kNone, false, false},
    {"EA", kEA, Arg::kNone, false, true},     {"RP", kRP, Arg::kNone, false, true},
    {"RE", kRE, Arg::kNone, false, true},     {"RV", kRV, Arg::kNone, false, true},
    {"RC", kRC, Arg::kNone, false, true},     {"PA", kPA, Arg::kDecimal, false, false},
    {"SE", kSE, Arg::kDecimal, false, false}, {"AF", kAF, Arg::kNone, false, false},
    {"AN", kAN, Arg::kNone, false, false},    {"MP", kMP, Arg::kNone, false, false},
    {"MM", kMM, Arg::kNone, false, false},    {"MO", kMO, Arg::kNone, false, false},
    {"KL", kKL, Arg::kNone, false, false},    {"ST", kST, Arg::kNone, false, false},
    {"PP", kPP, Arg::kNone, true, true},      {"PE", kPE, Arg::kNone, true, true},
    {"SA", kSA, Arg::kNone, true, false},     {"SI", kSI, Arg::kDecimal, true, false},
    {"KS", kKS, Arg::kDecimal, true, false},  {"BD", kBD, Arg::kHex, true, false},
    {"BS", kBS, Arg::kHex, true, false},      {"BH", kBH, Arg::kDecimal, true, false},
    {"BL", kBL, Arg::kDecimal, true, false},  {"BX", kBX, Arg::kNone, true, true},
    {"RB", kRB, Arg::kNone, true, true},
};

constexpr char kAxisLetters[] = "XYZTUVRSWK";
constexpr int kSelectNone = -1;
constexpr int kSelectAll = 10;    // "AA": every axis, values by position
constexpr int kSelectMulti = 11;  // "AM": the same, moving as one group

int AxisOfLetter(char c) {
  const char* p = std::strchr(kAxisLetters, c);
  return (c != '\0' && p != nullptr) ? static_cast<int>(p - kAxisLetters) : -1;
}

const MnemonicInfo* LookUp(std::string_view rest) {
  for (const MnemonicInfo& m : kMnemonics) {
    size_t n = std::strlen(m.name);
    if (rest.size() >= n && rest.compare(0, n, m.name) == 0) return &m;
  }
  return nullptr;
}

bool IsSeparator(char c) { return c == ';' || c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

// One decimal field: any number of signs (each "-" negates), digits, and an
// optional fraction. Empty when no sign or digit stands at `i`.
bool ParseDecimalField(std::string_view s, size_t* i, std::optional<double>* out) {
  size_t p = *i;
  double sign = 1.0;
  bool sawSign = false;
  while (p < s.size() && (s[p] == '-' || s[p] == '+')) {
    if (s[p] == '-') sign = -sign;
    sawSign = true;
    ++p;
  }
  size_t digitsStart = p;
  double value = 0.0;
  while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) value = value * 10.0 + (s[p++] - '0');
  bool haveDigits = p > digitsStart;
  if (p < s.size() && s[p] == '.') {
    ++p;
    double scale = 0.1;
    while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
      value += (s[p++] - '0') * scale;
      scale /= 10.0;
      haveDigits = true;
    }
  }
  if (!haveDigits) {
    if (sawSign) return false;  // a sign with nothing after it
    out->reset();
  } else {
    *out = sign * value;
  }
  *i = p;
  return true;
}

}  // namespace

struct Model::Op {
  int select = kSelectNone;
  const MnemonicInfo* info = nullptr;
  std::vector<std::optional<double>> values;
};

struct Model::Context {
  uint32_t started = 0;  // axes set moving by this text
};

// ---- Parsing ---------------------------------------------------------------

bool Model::Parse(std::string_view s, std::vector<Op>* ops) const {
  int select = kSelectNone;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (IsSeparator(c)) {
      ++i;
      continue;
    }
    if (c == 'A' && i + 1 < s.size()) {
      char n = s[i + 1];
      int axis = AxisOfLetter(n);
      if (axis >= 0 || n == 'A' || n == 'M') {
        select = axis >= 0 ? axis : (n == 'A' ? kSelectAll : kSelectMulti);
        i += 2;
        continue;
      }
    }
    const MnemonicInfo* m = LookUp(s.substr(i));
    if (m == nullptr) return false;
    i += std::strlen(m->name);
    Op op;
    op.select = select;
    op.info = m;
    if (m->arg == Arg::kDecimal) {
      for (;;) {
        std::optional<double> v;
        if (!ParseDecimalField(s, &i, &v)) return false;
        op.values.push_back(v);
        if (i < s.size() && s[i] == ',') {
          ++i;
          continue;
        }
        break;
      }
      if (op.values.size() == 1 && !op.values[0]) op.values.clear();
    } else if (m->arg == Arg::kHex) {
      size_t start = i;
      double v = 0.0;
      while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i]))) {
        char h = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])));
        v = v * 16.0 + (h <= '9' ? h - '0' : h - 'A' + 10);
      }
      if (i == start) return false;
      op.values.push_back(v);
    }
    // A number right after a command that takes none is not ours.
    if (m->arg == Arg::kNone && i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '-'))
      return false;
    if (!m->global && select == kSelectNone) return false;
    ops->push_back(std::move(op));
  }
  // Checks that need the values: a controller refuses what it cannot obey.
  for (const Op& op : *ops) {
    const auto& v = op.values;
    bool single = op.select >= 0 && op.select < kAxisCount;
    auto first = [&]() -> std::optional<double> { return v.empty() ? std::nullopt : v[0]; };
    switch (op.info->id) {
      case kMA:
      case kMR:
      case kMT:
      case kML:
      case kJG:
      case kJF:
      case kLP:
      case kVB:
      case kVL:
      case kAC:
      case kPR:
      case kSS:
      case kHM:
      case kHR:
      case kES:
      case kHG:
      case kHV:
      case kPA:
      case kSE:
        if (single && !first()) return false;
        break;
      case kTL:
      case kER:
        if (!single || v.size() != 2 || !v[0] || !v[1]) return false;
        if (op.info->id == kER && (*v[0] == 0.0 || *v[1] == 0.0)) return false;
        break;
      case kHD:
        if (!single || !first() || v.size() > 3) return false;
        break;
      case kBD:
      case kBS:
        if (v[0] > 65535.0) return false;
        break;
      case kBH:
      case kBL:
        if (v.size() != 1 || !v[0] || *v[0] < 0 || *v[0] > 15) return false;
        break;
      default:
        break;
    }
    for (const auto& f : v)
      if (f && std::fabs(*f) > 2147483647.0) return false;
    if (op.info->id == kVL && first() && *first() <= 0) return false;
    if (op.info->id == kAC && first() && *first() <= 0) return false;
    if (op.info->id == kVB && first() && *first() < 0) return false;
    if (op.info->id == kPA && first() && *first() != 0 && *first() != 1) return false;
  }
  return true;
}

ExecResult Model::Execute(std::string_view text, double now) {
  Advance(now);
  ExecResult result;
  std::vector<Op> ops;
  if (!Parse(text, &ops)) {
    result.accepted = false;
    lastIllegal_.assign(text.substr(0, 127));
    Report(kCommandErrorFlag);
    return result;
  }
  Context ctx;
  for (const Op& op : ops) Run(op, &ctx, now, &result);
  return result;
}

// ---- Running commands --------------------------------------------------------

namespace {

int32_t Whole(double v) {
  double r = std::nearbyint(v);
  if (r > 2147483647.0) return 2147483647;
  if (r < -2147483648.0) return static_cast<int32_t>(-2147483647 - 1);
  return static_cast<int32_t>(r);
}

std::string Decimal(double v) { return std::to_string(Whole(v)); }

bool IsAxisSelect(int select) { return select >= 0 && select < kAxisCount; }

}  // namespace

Model::Model(const std::array<AxisSetup, kAxisCount>& setup) {
  for (int i = 0; i < kAxisCount; ++i) axes_[i].setup = setup[i];
}

void Model::Run(const Op& op, Context* ctx, double now, ExecResult* result) {
  const Mn id = op.info->id;
  const auto& v = op.values;
  auto value = [&](size_t i) { return i < v.size() && v[i] ? *v[i] : 0.0; };
  auto present = [&](size_t i) { return i < v.size() && v[i].has_value(); };
  switch (id) {
    case kPP:
    case kPE: {
      std::string list;
      for (int i = 0; i < kAxisCount; ++i) {
        if (i) list += ',';
        list += Decimal(id == kPP ? PositionAt(axes_[i], now) : EncoderAt(axes_[i], now));
      }
      result->answers.push_back(list);
      return;
    }
    case kSA:
      for (int i = 0; i < kAxisCount; ++i) StopAxis(i, now, false, true);
      return;
    case kSI:
    case kKS:
      for (int i = 0; i < kAxisCount && i < static_cast<int>(v.size()); ++i)
        if (present(i) && value(i) != 0.0) StopAxis(i, now, id == kKS, true);
      return;
    case kBD:
      direction_ = static_cast<uint16_t>(value(0));
      return;
    case kBS:
      outputs_ = static_cast<uint16_t>(value(0));
      return;
    case kBH:
      outputs_ = static_cast<uint16_t>(outputs_ | (1u << static_cast<int>(value(0))));
      return;
    case kBL:
      outputs_ = static_cast<uint16_t>(outputs_ & ~(1u << static_cast<int>(value(0))));
      return;
    case kBX:
    case kRB: {
      char text[16];
      std::snprintf(text, sizeof text, id == kBX ? "%04X" : "=%04X", id == kBX ? stateWord() : direction_);
      result->answers.push_back(text);
      return;
    }
    case kQER:
      // An empty answer would leave a query waiting for text that never comes.
      result->answers.push_back(lastIllegal_.empty() ? "NONE" : lastIllegal_);
      return;
    default:
      break;
  }
  if (IsAxisSelect(op.select)) {
    RunAxisOp(op, op.select, 0, ctx, now, result);
    return;
  }
  // "AA" and "AM": a value list gives one field per axis position; a command
  // without values applies to every axis (ID and IP: to the axes this text set
  // moving, else to those already moving); a query answers for every axis.
  if (id == kID || id == kIP) {
    for (int i = 0; i < kAxisCount; ++i) {
      bool started = ctx->started & (1u << i);
      if (ctx->started ? started : axes_[i].segment != Segment::kIdle) RunAxisOp(op, i, 0, ctx, now, result);
    }
    return;
  }
  if (op.info->query) {
    ExecResult one;
    std::string list;
    for (int i = 0; i < kAxisCount; ++i) {
      one.answers.clear();
      RunAxisOp(op, i, 0, ctx, now, &one);
      if (i) list += ',';
      if (!one.answers.empty()) list += one.answers.front();
    }
    result->answers.push_back(list);
    return;
  }
  if (op.info->arg == Arg::kNone) {
    for (int i = 0; i < kAxisCount; ++i) RunAxisOp(op, i, 0, ctx, now, result);
    return;
  }
  for (int i = 0; i < kAxisCount && i < static_cast<int>(v.size()); ++i)
    if (present(i)) RunAxisOp(op, i, i, ctx, now, result);
}

void Model::RunAxisOp(const Op& op, int axis, int field, Context* ctx, double now, ExecResult* result) {
  Axis& a = axes_[axis];
  const auto& v = op.values;
  double value = field < static_cast<int>(v.size()) && v[field] ? *v[field] : 0.0;
  auto at = [&](size_t i) { return i < v.size() && v[i] ? Whole(*v[i]) : 0; };
  const uint32_t bit = 1u << axis;
  switch (op.info->id) {
    case kMA:
    case kMT:
      a.staged = std::trunc(value);
      a.haveStaged = true;
      break;
    case kMR:
    case kML:
      a.staged = PositionAt(a, now) + std::trunc(value);
      a.haveStaged = true;
      break;
    case kGD:
      if (a.haveStaged) {
        a.haveStaged = false;
        StartProfile(axis, a.staged, now, EndKind::kNone);
        ctx->started |= bit;
      }
      break;
    case kID:
    case kIP:
      if (a.segment != Segment::kIdle) {
        a.doneRequest = op.info->id == kID ? 2 : 1;
      } else {
        Report(bit << kDoneShift);
      }
      break;
    case kJG:
      StartRamp(axis, std::trunc(value), now, false);
      ctx->started |= bit;
      break;
    case kJF:
      StartRamp(axis, value, now, false);
      ctx->started |= bit;
      break;
    case kLP: {
      double shift = std::trunc(value) - PositionAt(a, now);
      a.p0 += shift;
      a.frame += shift;
      a.staged += shift;
      a.slipAnchor = PositionAt(a, now);
      a.encoderOffset = 0.0;
      break;
    }
    case kVB:
      a.vb = std::trunc(value);
      break;
    case kVL:
      a.vl = std::trunc(value);
      break;
    case kAC:
      a.ac = std::trunc(value);
      break;
    case kSC:
      a.ramp = Ramp::kCosine;
      break;
    case kLA:
      a.ramp = Ramp::kTrapezoid;
      break;
    case kPR:
      a.ramp = Ramp::kParabolic;
      a.rampParameter = Whole(value);
      break;
    case kSS:
      a.ramp = Ramp::kSCurve;
      a.rampParameter = Whole(value);
      break;
    case kHL:
      a.homeActiveHigh = false;
      break;
    case kHH:
      a.homeActiveHigh = true;
      break;
    case kHS:
    case kHE:
      a.homeSetsEncoder = op.info->id == kHE;
      a.haveHomeValue = false;
      StartProfile(axis, a.setup.homeSwitch + a.frame, now, EndKind::kHome);
      ctx->started |= bit;
      break;
    case kHM:
    case kHR:
      a.homeValue = std::trunc(value);
      a.homeValueSetsEncoder = op.info->id == kHR;
      a.haveHomeValue = true;
      if (a.segment == Segment::kIdle || a.endKind != EndKind::kHome) {
        // No search under way: the axis is at home now.
        a.endKind = EndKind::kHome;
        FinishMotion(axis, now, false);
      }
      break;
    case kLN:
      a.overtravelDetect = true;
      break;
    case kLF:
      a.overtravelDetect = false;
      break;
    case kLL:
      a.overtravelActiveHigh = false;
      break;
    case kLH:
      a.overtravelActiveHigh = true;
      break;
    case kSL:
      a.stopAbruptly = false;
      break;
    case kSF:
      a.stopAbruptly = true;
      break;
    case kTL:
      a.softLower = std::min(at(0), at(1));
      a.softUpper = std::max(at(0), at(1));
      a.softLimits = a.softLower != a.softUpper;
      break;
    case kER: {
      double encoder = EncoderAt(a, now);
      a.ratioEncoder = at(0);
      a.ratioMotor = at(1);
      a.slipAnchor = PositionAt(a, now);
      a.encoderOffset = encoder - a.slipAnchor * a.ratioEncoder / a.ratioMotor;
      break;
    }
    case kHD:
      for (int i = 0; i < 3; ++i) a.deadBand[i] = at(i);
      break;
    case kES:
      a.slipTolerance = Whole(value);
      break;
    case kHG:
      a.holdGain = Whole(value);
      break;
    case kHV:
      a.holdVelocity = Whole(value);
      break;
    case kHF:
      a.pidOn = false;
      break;
    case kHN:
      a.pidOn = true;
      break;
    case kIS:
      a.slipDetect = true;
      break;
    case kPA:
      a.auxEnabled = value != 0.0;
      break;
    case kSE:
      a.auxSettleMs = Whole(value);
      break;
    case kADL:
    case kADH:
      a.auxDefaultHigh = op.info->id == kADH;
      a.auxBit = a.auxDefaultHigh;
      break;
    case kAF:
      a.auxBit = false;
      break;
    case kAN:
      a.auxBit = true;
      break;
    case kMP:
      a.stepMinus = false;
      break;
    case kMM:
      a.stepMinus = true;
      break;
    case kMO:
      StartProfile(axis, PositionAt(a, now) + (a.stepMinus ? -1.0 : 1.0), now, EndKind::kNone);
      ctx->started |= bit;
      break;
    case kKL:
      StopAxis(axis, now, true, true);
      break;
    case kST:
      StopAxis(axis, now, false, true);
      break;
    default:
      if (op.info->query) result->answers.push_back(AxisAnswer(op.info->id, axis, now));
      break;
  }
}

std::string Model::AxisAnswer(int mnemonic, int axis, double now) const {
  const Axis& a = axes_[axis];
  switch (mnemonic) {
    case kRP:
      return Decimal(PositionAt(a, now));
    case kRE:
      return Decimal(EncoderAt(a, now));
    case kRV:
      return Decimal(VelocityAt(a, now));
    case kRC:
      return Decimal(AccelerationAt(a, now));
    case kQVB:
      return "=" + Decimal(a.vb);
    case kQVL:
      return "=" + Decimal(a.vl);
    case kQAC:
      return "=" + Decimal(a.ac);
    case kEA: {
      AxisSnapshot s = Snapshot(axis, now);
      std::string letters;
      letters += a.pidOn ? 'E' : 'D';
      letters += a.slipDetect ? 'E' : 'D';
      letters += s.slipped ? 'S' : 'N';
      letters += std::fabs(s.motorPosition - a.setup.homeSwitch - a.frame) < 0.5 ? 'P' : 'N';
      letters += s.moving ? 'P' : 'N';
      return letters;
    }
    default:
      return std::string();
  }
}

uint16_t Model::stateWord() const { return static_cast<uint16_t>((outputs_ & direction_) | (inputs_ & ~direction_)); }

// ---- Motion --------------------------------------------------------------------

namespace {

// A rest-to-rest profile: starts at the base velocity, ramps to the peak,
// cruises, ramps back down and stops at the base velocity.
struct Plan {
  double vb, vp, a, tAcc, tCruise, tTotal;
};

Plan PlanProfile(double vb, double vl, double a, double distance) {
  Plan p{};
  p.a = a;
  p.vb = std::min(std::max(vb, 0.0), vl);
  if (distance <= 0.0) return p;
  double rampDistance = (vl * vl - p.vb * p.vb) / (2.0 * a);
  if (2.0 * rampDistance <= distance) {
    p.vp = vl;
    p.tAcc = (vl - p.vb) / a;
    p.tCruise = (distance - 2.0 * rampDistance) / vl;
  } else {
    p.vp = std::sqrt(p.vb * p.vb + a * distance);
    p.tAcc = (p.vp - p.vb) / a;
    p.tCruise = 0.0;
  }
  if (p.vp <= 0.0) {
    // No velocity at all: the step happens at once.
    p.tAcc = p.tCruise = 0.0;
  }
  p.tTotal = 2.0 * p.tAcc + p.tCruise;
  return p;
}

double Sign(double v) { return v < 0.0 ? -1.0 : 1.0; }

}  // namespace

double Model::EffectiveAcceleration(const Axis& a) const {
  // The shaped ramps reach the same speed as a linear ramp whose constant
  // acceleration is their mean: 2/pi of the peak for the cosine, half of it
  // for the parabola and the S-curve.
  switch (a.ramp) {
    case Ramp::kCosine:
      return a.ac * 2.0 / kPi;
    case Ramp::kParabolic:
    case Ramp::kSCurve:
      return a.ac * 0.5;
    case Ramp::kTrapezoid:
      break;
  }
  return a.ac;
}

double Model::MoveDuration(int axis, double distance) const {
  const Axis& a = axes_[axis];
  return PlanProfile(a.vb, a.vl, EffectiveAcceleration(a), std::fabs(distance)).tTotal;
}

double Model::PositionAt(const Axis& a, double t) const {
  double tau = std::max(0.0, t - a.t0);
  if (a.segment == Segment::kProfile) {
    if (tau >= a.tTotal) return a.p0 + a.dir * a.dist;
    double dAcc = a.pvb * a.tAcc + 0.5 * a.pa * a.tAcc * a.tAcc;
    double s;
    if (tau < a.tAcc) {
      s = a.pvb * tau + 0.5 * a.pa * tau * tau;
    } else if (tau < a.tAcc + a.tCruise) {
      s = dAcc + a.vp * (tau - a.tAcc);
    } else {
      double d = tau - a.tAcc - a.tCruise;
      s = dAcc + a.vp * a.tCruise + a.vp * d - 0.5 * a.pa * d * d;
    }
    return a.p0 + a.dir * std::min(s, a.dist);
  }
  if (a.segment == Segment::kRamp) {
    double sgn = a.vt >= a.v0 ? 1.0 : -1.0;
    double r = std::min(tau, a.tRamp);
    double p = a.p0 + a.v0 * r + 0.5 * sgn * a.ra * r * r;
    if (tau > a.tRamp && !a.stopping) p += a.vt * (tau - a.tRamp);
    return p;
  }
  return a.p0;
}

double Model::VelocityAt(const Axis& a, double t) const {
  double tau = std::max(0.0, t - a.t0);
  if (a.segment == Segment::kProfile) {
    if (tau >= a.tTotal) return 0.0;
    double v;
    if (tau < a.tAcc) {
      v = a.pvb + a.pa * tau;
    } else if (tau < a.tAcc + a.tCruise) {
      v = a.vp;
    } else {
      v = a.vp - a.pa * (tau - a.tAcc - a.tCruise);
    }
    return a.dir * v;
  }
  if (a.segment == Segment::kRamp) {
    if (tau >= a.tRamp) return a.stopping ? 0.0 : a.vt;
    return a.v0 + (a.vt >= a.v0 ? 1.0 : -1.0) * a.ra * tau;
  }
  return 0.0;
}

double Model::AccelerationAt(const Axis& a, double t) const {
  double tau = std::max(0.0, t - a.t0);
  if (a.segment == Segment::kProfile) {
    if (tau < a.tAcc) return a.dir * a.pa;
    if (tau < a.tAcc + a.tCruise || tau >= a.tTotal) return 0.0;
    return -a.dir * a.pa;
  }
  if (a.segment == Segment::kRamp && tau < a.tRamp) return (a.vt >= a.v0 ? 1.0 : -1.0) * a.ra;
  return 0.0;
}

double Model::EncoderAt(const Axis& a, double t) const {
  double ratio = static_cast<double>(a.ratioEncoder) / a.ratioMotor;
  double p = PositionAt(a, t);
  double slip = a.slipping ? -0.5 * ratio * (p - a.slipAnchor) : 0.0;
  return p * ratio + a.encoderOffset + slip;
}

double Model::SegmentEnd(const Axis& a) const {
  if (a.segment == Segment::kProfile) return a.t0 + a.tTotal;
  if (a.segment == Segment::kRamp && a.stopping) return a.t0 + a.tRamp;
  if (a.segment == Segment::kRamp) return HUGE_VAL;
  return a.t0;
}

void Model::FoldEncoder(Axis& a, double t) {
  double encoder = EncoderAt(a, t);
  a.slipAnchor = PositionAt(a, t);
  a.encoderOffset = encoder - a.slipAnchor * a.ratioEncoder / a.ratioMotor;
}

void Model::Settle(Axis& a, double t) {
  a.p0 = PositionAt(a, t);
  a.t0 = t;
  a.segment = Segment::kIdle;
  a.checkedUntil = t;
}

bool Model::BlockedAt(int axis, double position, double direction) const {
  const Axis& a = axes_[axis];
  if (direction > 0.0) {
    if (a.latchedPositive) return true;
    if (a.overtravelDetect && position >= a.setup.positiveLimit + a.frame) return true;
    if (a.softLimits && position >= a.softUpper) return true;
  } else {
    if (a.latchedNegative) return true;
    if (a.overtravelDetect && position <= a.setup.negativeLimit + a.frame) return true;
    if (a.softLimits && position <= a.softLower) return true;
  }
  return false;
}

void Model::StartProfile(int axis, double target, double now, EndKind end) {
  Axis& a = axes_[axis];
  double from = PositionAt(a, now);
  FoldEncoder(a, now);
  Settle(a, now);
  a.endKind = end;
  a.doneRequest = 0;
  a.doneAt = -1.0;
  a.slipReported = false;
  double distance = target - from;
  if (distance == 0.0) return;
  if (BlockedAt(axis, from, distance)) {
    HitLimit(axis, now, from);
    return;
  }
  Plan p = PlanProfile(a.vb, a.vl, EffectiveAcceleration(a), std::fabs(distance));
  a.segment = Segment::kProfile;
  a.dir = Sign(distance);
  a.dist = std::fabs(distance);
  a.pvb = p.vb;
  a.vp = p.vp;
  a.pa = p.a;
  a.tAcc = p.tAcc;
  a.tCruise = p.tCruise;
  a.tTotal = p.tTotal;
}

void Model::StartRamp(int axis, double velocity, double now, bool stopping) {
  Axis& a = axes_[axis];
  double v = VelocityAt(a, now);
  bool wasIdle = a.segment == Segment::kIdle;
  Settle(a, now);
  double vb = std::min(std::max(a.vb, 0.0), a.vl);
  double ra = EffectiveAcceleration(a);
  if (stopping || velocity == 0.0) {
    if (wasIdle) return;
    a.stopping = true;
    a.v0 = v;
    a.vt = Sign(v) * std::min(std::fabs(v), vb);
  } else {
    a.doneRequest = 0;
    a.doneAt = -1.0;
    a.endKind = EndKind::kNone;
    if (wasIdle) {
      a.slipReported = false;
      FoldEncoder(a, now);
    }
    if (BlockedAt(axis, a.p0, velocity)) {
      HitLimit(axis, now, a.p0);
      return;
    }
    a.stopping = false;
    double target = Sign(velocity) * std::min(std::fabs(velocity), a.vl);
    // Below the base velocity the motor starts (or reverses) at once.
    if (std::fabs(v) < vb || Sign(v) != Sign(target)) v = Sign(target) * std::min(vb, std::fabs(target));
    a.v0 = v;
    a.vt = target;
  }
  a.ra = ra;
  a.tRamp = std::fabs(a.vt - a.v0) / ra;
  a.segment = Segment::kRamp;
}

void Model::FinishMotion(int axis, double t, bool reportDone) {
  Axis& a = axes_[axis];
  Settle(a, t);
  if (a.endKind == EndKind::kHome && a.haveHomeValue) {
    FoldEncoder(a, t);
    double shift = a.homeValue - a.p0;
    a.p0 = a.homeValue;
    a.frame += shift;
    a.staged = a.homeValue;
    a.slipAnchor = a.homeValue;
    if (a.homeSetsEncoder || a.homeValueSetsEncoder) {
      a.encoderOffset = 0.0;
    } else {
      a.encoderOffset -= shift * a.ratioEncoder / a.ratioMotor;
    }
    a.haveHomeValue = false;
  }
  a.endKind = EndKind::kNone;
  double settle = a.auxEnabled ? a.auxSettleMs / 1000.0 : 0.0;
  a.auxUntil = t + settle;
  if (reportDone) {
    if (a.doneRequest == 2 && settle > 0.0) {
      a.doneAt = t + settle;
    } else {
      Report((1u << axis) << kDoneShift);
    }
  }
  a.doneRequest = 0;
}

void Model::StopAxis(int axis, double now, bool abrupt, bool reportDone) {
  Axis& a = axes_[axis];
  if (a.segment == Segment::kIdle) return;
  if (abrupt) {
    a.endKind = EndKind::kNone;
    FinishMotion(axis, now, reportDone);
    return;
  }
  if (a.segment == Segment::kRamp && a.stopping) return;  // already stopping
  int request = reportDone ? std::max(a.doneRequest, 1) : 0;
  a.endKind = EndKind::kNone;
  StartRamp(axis, 0.0, now, true);
  a.doneRequest = request;
}

void Model::HitLimit(int axis, double t, double position) {
  Axis& a = axes_[axis];
  Report((1u << axis) << kLimitShift);
  a.endKind = EndKind::kNone;
  a.doneRequest = 0;
  a.doneAt = -1.0;
  if (a.segment == Segment::kIdle) return;
  if (a.stopAbruptly) {
    Settle(a, t);
    a.p0 = position;
    FinishMotion(axis, t, false);
  } else {
    StartRamp(axis, 0.0, t, true);
    a.doneRequest = 0;
  }
}

bool Model::CheckLimits(int axis, double from, double to) {
  Axis& a = axes_[axis];
  if (a.segment == Segment::kRamp && a.stopping) return false;  // coming to rest past the switch
  double pFrom = PositionAt(a, from), pTo = PositionAt(a, to);
  double direction = pTo - pFrom;
  if (direction == 0.0) return false;
  double bound = direction > 0.0 ? HUGE_VAL : -HUGE_VAL;
  if (direction > 0.0) {
    if (a.overtravelDetect) bound = std::min(bound, a.setup.positiveLimit + a.frame);
    if (a.softLimits) bound = std::min(bound, a.softUpper);
  } else {
    if (a.overtravelDetect) bound = std::max(bound, a.setup.negativeLimit + a.frame);
    if (a.softLimits) bound = std::max(bound, a.softLower);
  }
  auto beyond = [&](double p) { return direction > 0.0 ? p > bound : p < bound; };
  if (!beyond(pTo)) return false;
  // The motion is monotonic over a check interval: find when it crossed.
  double lo = from, hi = to;
  for (int i = 0; i < 60; ++i) {
    double mid = 0.5 * (lo + hi);
    if (beyond(PositionAt(a, mid)))
      hi = mid;
    else
      lo = mid;
  }
  HitLimit(axis, hi, bound);
  return true;
}

bool Model::CheckSlip(int axis, double from, double to) {
  Axis& a = axes_[axis];
  if (!a.slipping || !a.slipDetect || a.slipReported) return false;
  double ratio = std::fabs(static_cast<double>(a.ratioEncoder) / a.ratioMotor);
  auto slipped = [&](double t) { return 0.5 * ratio * std::fabs(PositionAt(a, t) - a.slipAnchor) > a.slipTolerance; };
  if (!slipped(to)) return false;
  double lo = from, hi = to;
  for (int i = 0; i < 60 && !slipped(from); ++i) {
    double mid = 0.5 * (lo + hi);
    if (slipped(mid))
      hi = mid;
    else
      lo = mid;
  }
  a.slipReported = true;
  // The slip is reported first and the axis is then killed as "KL" would kill
  // it: at rest where the lag passed the tolerance, a search abandoned, and
  // done reported (after the aux settle time when "ID" asked for it). A wait
  // for done thus ends as soon as the axis is at rest, with the slip flag
  // already set beside the done flag, instead of running out its time-out
  // as if the motion were still going.
  Report((1u << axis) << kSlipShift);
  a.endKind = EndKind::kNone;
  FinishMotion(axis, slipped(from) ? from : hi, true);
  return true;
}

void Model::AdvanceAxis(int axis, double now) {
  Axis& a = axes_[axis];
  for (int guard = 0; guard < 16; ++guard) {
    if (a.doneAt >= 0.0 && a.doneAt <= now) {
      a.doneAt = -1.0;
      Report((1u << axis) << kDoneShift);
    }
    if (a.segment == Segment::kIdle) return;
    double end = SegmentEnd(a);
    double to = std::min(now, end);
    if (CheckLimits(axis, a.checkedUntil, to)) continue;
    if (CheckSlip(axis, a.checkedUntil, to)) continue;
    a.checkedUntil = to;
    if (end > now) return;
    FinishMotion(axis, end, a.doneRequest != 0);
  }
}

void Model::Advance(double now) {
  if (now < now_) now = now_;
  now_ = now;
  for (int i = 0; i < kAxisCount; ++i) AdvanceAxis(i, now);
}

std::vector<uint32_t> Model::TakeEvents() {
  std::vector<uint32_t> out;
  out.swap(events_);
  return out;
}

// ---- The outside world ---------------------------------------------------------

void Model::SetInput(int line, bool level) {
  if (line < 0 || line >= kIoLineCount) return;
  uint16_t bit = static_cast<uint16_t>(1u << line);
  inputs_ = static_cast<uint16_t>(level ? (inputs_ | bit) : (inputs_ & ~bit));
}

void Model::TripLimit(int axis, bool positive, double now) {
  if (axis < 0 || axis >= kAxisCount) return;
  Advance(now);
  const Axis& a = axes_[axis];
  double v = VelocityAt(a, now);
  if (v != 0.0 && (v > 0.0) != positive) {
    Report((1u << axis) << kLimitShift);  // running away from it: reported, not stopped
    return;
  }
  HitLimit(axis, now, PositionAt(a, now));
}

void Model::LatchLimit(int axis, bool positive) {
  if (axis < 0 || axis >= kAxisCount) return;
  (positive ? axes_[axis].latchedPositive : axes_[axis].latchedNegative) = true;
}

void Model::SetSlip(int axis, bool slip, double now) {
  if (axis < 0 || axis >= kAxisCount) return;
  Advance(now);
  Axis& a = axes_[axis];
  double encoder = EncoderAt(a, now);
  a.slipping = slip;
  a.slipAnchor = PositionAt(a, now);
  a.encoderOffset = encoder - a.slipAnchor * a.ratioEncoder / a.ratioMotor;
}

void Model::SetHomeSwitch(int axis, double position) {
  if (axis >= 0 && axis < kAxisCount) axes_[axis].setup.homeSwitch = position;
}

void Model::SetLimitSwitches(int axis, double negative, double positive) {
  if (axis < 0 || axis >= kAxisCount) return;
  axes_[axis].setup.negativeLimit = negative;
  axes_[axis].setup.positiveLimit = positive;
}

AxisSnapshot Model::Snapshot(int axis, double now) const {
  AxisSnapshot s;
  if (axis < 0 || axis >= kAxisCount) return s;
  const Axis& a = axes_[axis];
  s.motorPosition = PositionAt(a, now);
  s.encoderPosition = EncoderAt(a, now);
  s.velocity = VelocityAt(a, now);
  s.moving = a.segment != Segment::kIdle;
  s.slipped = a.slipReported;
  bool settling = a.auxEnabled && (s.moving || now < a.auxUntil);
  s.auxOutput = settling ? !a.auxDefaultHigh : a.auxBit;
  return s;
}

}  // namespace vek::sim
