// The controller's command language. Each mnemonic is one row of the table
// below: the value it takes, whom it addresses, what makes the controller
// refuse a text that holds it, and what it does. A text is parsed whole
// against the rows before any command in it runs.
//
// The simulator keeps its own axis letters and mnemonics instead of sharing
// the library's: it is the controller that the library's tests check against,
// and a table both sides shared could be wrong without either noticing.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "sim/model.h"

namespace vek::sim {

namespace {

constexpr char kAxisLetters[] = "XYZTUVRSWK";
constexpr int kSelectNone = -1;
constexpr int kSelectAll = 10;                  // "AA": every axis, values by position
constexpr int kSelectMulti = 11;                // "AM": the same, moving as one group
constexpr double kLargestValue = 2147483647.0;  // every value must fit a signed 32-bit word
constexpr size_t kIllegalTextLength = 127;      // what "#ER" keeps of a refused text

using Values = std::vector<std::optional<double>>;

int AxisOfLetter(char c) {
  for (int i = 0; i < kAxisCount; ++i)
    if (kAxisLetters[i] == c) return i;
  return -1;
}

bool IsOneAxis(int select) { return select >= 0 && select < kAxisCount; }

bool IsSeparator(char c) { return c == ';' || c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

int32_t Whole(double v) {
  double r = std::nearbyint(v);
  if (r > 2147483647.0) return 2147483647;
  if (r < -2147483648.0) return static_cast<int32_t>(-2147483647 - 1);
  return static_cast<int32_t>(r);
}

std::string Decimal(double v) { return std::to_string(Whole(v)); }

// Field i of a value list: empty when not written.
std::optional<double> Field(const Values& v, size_t i) { return i < v.size() ? v[i] : std::nullopt; }
double FieldOrZero(const Values& v, size_t i) { return Field(v, i).value_or(0.0); }
int32_t WholeField(const Values& v, size_t i) { return Whole(FieldOrZero(v, i)); }

// One decimal field: any number of signs (each "-" negates), digits, and an
// optional fraction. Empty when no sign or digit stands at `i`; a sign with
// nothing after it is refused.
bool ParseDecimalField(std::string_view s, size_t* i, std::optional<double>* out) {
  size_t p = *i;
  double sign = 1.0;
  bool sawSign = false;
  for (; p < s.size() && (s[p] == '-' || s[p] == '+'); ++p) {
    if (s[p] == '-') sign = -sign;
    sawSign = true;
  }
  size_t digits = 0;
  double value = 0.0;
  for (; p < s.size() && IsDigit(s[p]); ++p, ++digits) value = value * 10.0 + (s[p] - '0');
  if (p < s.size() && s[p] == '.') {
    double scale = 0.1;
    for (++p; p < s.size() && IsDigit(s[p]); ++p, ++digits) {
      value += (s[p] - '0') * scale;
      scale /= 10.0;
    }
  }
  if (digits == 0 && sawSign) return false;
  if (digits > 0) {
    *out = sign * value;
  } else {
    out->reset();
  }
  *i = p;
  return true;
}

// Fields separated by ","; a single empty field means no value at all.
bool ParseDecimalList(std::string_view s, size_t* i, Values* values) {
  for (;;) {
    std::optional<double> v;
    if (!ParseDecimalField(s, i, &v)) return false;
    values->push_back(v);
    if (*i >= s.size() || s[*i] != ',') break;
    ++*i;
  }
  if (values->size() == 1 && !values->front()) values->clear();
  return true;
}

// At least one hexadecimal digit, either case.
bool ParseHexWord(std::string_view s, size_t* i, Values* values) {
  size_t start = *i;
  double v = 0.0;
  for (; *i < s.size() && std::isxdigit(static_cast<unsigned char>(s[*i])); ++*i) {
    char h = static_cast<char>(std::toupper(static_cast<unsigned char>(s[*i])));
    v = v * 16.0 + (h <= '9' ? h - '0' : h - 'A' + 10);
  }
  if (*i == start) return false;
  values->push_back(v);
  return true;
}

// ---- What the controller refuses ----------------------------------------------
// Each check gets the values as written and whether one axis is selected, and
// is true for a text the controller cannot obey.

bool Never(const Values&, bool) { return false; }
bool Negative(const Values& v, bool) { return Field(v, 0) && *Field(v, 0) < 0; }
// The settings are whole steps: a fraction below one step would store 0 and
// leave a motion with no acceleration or no velocity to run at.
bool NotPositive(const Values& v, bool) { return Field(v, 0) && std::trunc(*Field(v, 0)) <= 0; }
bool NotZeroOrOne(const Values& v, bool) { return Field(v, 0) && *Field(v, 0) != 0 && *Field(v, 0) != 1; }
// The commands with several terms take them for one axis only.
bool NotTwoTerms(const Values& v, bool oneAxis) { return !oneAxis || v.size() != 2 || !v[0] || !v[1]; }
bool NotTwoNonZeroTerms(const Values& v, bool oneAxis) {
  return NotTwoTerms(v, oneAxis) || *v[0] == 0.0 || *v[1] == 0.0;
}
bool NotOneToThreeTerms(const Values& v, bool oneAxis) { return !oneAxis || !Field(v, 0) || v.size() > 3; }
bool AboveFFFF(const Values& v, bool) { return FieldOrZero(v, 0) > 65535.0; }
bool NotOneLine(const Values& v, bool) { return v.size() != 1 || !v[0] || *v[0] < 0 || *v[0] > 15; }

}  // namespace

// The interpreter is a friend of the model: the effects act on its axes.
struct Interpreter {
  using Axis = Model::Axis;
  using Segment = Model::Segment;
  using EndKind = Model::EndKind;
  using DoneRequest = Model::DoneRequest;

  enum Arg { kNoValue, kDecimal, kHex };
  enum Scope {
    kGlobal,       // the controller as a whole: no axis selection needed
    kAxis,         // the selected axis; with AA/AM each axis its own field, or every axis when it takes no value
    kAxisQuery,    // answers for the selected axis; with AA/AM for every axis, joined by ","
    kStartedAxes,  // the selected axis; with AA/AM the axes this text set moving, else those already moving
  };

  // One command as it runs on one axis (axis -1 for a global command).
  struct Call {
    int axis;
    double value;  // the axis's own field; 0 when empty
    const Values& values;
    double now;
    uint32_t& started;  // the axes this text set moving
    std::vector<std::string>& answers;
    uint32_t bit() const { return 1u << axis; }
  };

  using Check = bool (*)(const Values&, bool oneAxis);
  using Effect = void (*)(Model&, const Call&);
  struct Mnemonic {
    std::string_view name;
    Arg arg;
    Scope scope;
    Check refused;
    Effect effect;
  };
  static const Mnemonic kMnemonics[];

  struct Command {
    int select = kSelectNone;
    const Mnemonic* mnemonic = nullptr;
    Values values;
  };

  static const Mnemonic* LookUp(std::string_view rest);
  static bool ParseSelection(std::string_view s, size_t* i, int* select);
  static bool ParseCommand(std::string_view s, size_t* i, int select, Command* command);
  static bool Refused(const Command& command);
  static bool Parse(std::string_view s, std::vector<Command>* commands);
  static void Run(Model& m, const Command& c, double now, uint32_t& started, std::vector<std::string>& answers);
  static void RunOnEveryAxis(Model& m, const Command& c, double now, uint32_t& started,
                             std::vector<std::string>& answers);

  // The effects. Those of a family take what tells its members apart as a
  // template argument, so that each row names its whole effect.
  enum Target { kAbsolute, kRelative };
  enum Velocity { kWholeSteps, kFractions };
  enum Stopping { kDecelerate, kAtOnce };
  enum Level { kLow, kHigh };
  using Reading = double (Model::*)(const Axis&, double) const;

  template <double Axis::*kField>
  static void SetSteps(Model& m, const Call& c);
  template <int32_t Axis::*kField>
  static void SetWhole(Model& m, const Call& c);
  template <bool Axis::*kField, bool kOn>
  static void SetFlag(Model& m, const Call& c);
  template <Ramp kShape, bool kTakesParameter>
  static void SetRamp(Model& m, const Call& c);
  template <Reading kReading>
  static void AnswerReading(Model& m, const Call& c);
  // A stored setting, whole or not: "=<value>".
  template <auto kField>
  static void AnswerSetting(Model& m, const Call& c);
  template <Reading kReading>
  static void AnswerEveryAxis(Model& m, const Call& c);
  template <Target kTarget>
  static void StageTarget(Model& m, const Call& c);
  template <DoneRequest kRequest>
  static void AskForDone(Model& m, const Call& c);
  template <Velocity kVelocity>
  static void Jog(Model& m, const Call& c);
  template <Stopping kStopping>
  static void Stop(Model& m, const Call& c);
  template <Stopping kStopping>
  static void StopListed(Model& m, const Call& c);
  template <Level kLevel>
  static void SetAuxDefault(Model& m, const Call& c);
  template <Level kLevel>
  static void SetOutputLine(Model& m, const Call& c);
  static void Go(Model& m, const Call& c);
  static void OneStep(Model& m, const Call& c);
  static void StopAll(Model& m, const Call& c);
  static void LoadPosition(Model& m, const Call& c);
  static void SearchHome(Model& m, const Call& c);
  static void SetHomeValue(Model& m, const Call& c);
  static void SetTravelLimits(Model& m, const Call& c);
  static void SetEncoderRatio(Model& m, const Call& c);
  static void SetHoldDeadBand(Model& m, const Call& c);
  static void EnableAux(Model& m, const Call& c);
  static void SetDirectionWord(Model& m, const Call& c);
  static void SetOutputWord(Model& m, const Call& c);
  static void AnswerEncoderStatus(Model& m, const Call& c);
  static void AnswerLineStates(Model& m, const Call& c);
  static void AnswerDirectionWord(Model& m, const Call& c);
  static void AnswerIllegalText(Model& m, const Call& c);
  static void AnswerWord(const Call& c, const char* prefix, uint16_t word);
  static Axis& AxisOf(Model& m, const Call& c) { return m.AxisAt(c.axis); }
};

// clang-format off
const Interpreter::Mnemonic Interpreter::kMnemonics[] = {
  // name  value     addresses     refused when        effect
  // Moves: MA and MT stage an absolute target, MR and ML one relative to the
  // position now; GD starts the staged moves; ID and IP ask for done.
  {"MA",  kDecimal, kAxis,        Never,              StageTarget<kAbsolute>},
  {"MT",  kDecimal, kAxis,        Never,              StageTarget<kAbsolute>},
  {"MR",  kDecimal, kAxis,        Never,              StageTarget<kRelative>},
  {"ML",  kDecimal, kAxis,        Never,              StageTarget<kRelative>},
  {"GD",  kNoValue, kAxis,        Never,              Go},
  {"ID",  kNoValue, kStartedAxes, Never,              AskForDone<DoneRequest::kAfterSettling>},
  {"IP",  kNoValue, kStartedAxes, Never,              AskForDone<DoneRequest::kAtProfileEnd>},
  // Jogs, and the move of one step in the direction MP or MM chose.
  {"JG",  kDecimal, kAxis,        Never,              Jog<kWholeSteps>},
  {"JF",  kDecimal, kAxis,        Never,              Jog<kFractions>},
  {"MP",  kNoValue, kAxis,        Never,              SetFlag<&Axis::oneStepNegative, false>},
  {"MM",  kNoValue, kAxis,        Never,              SetFlag<&Axis::oneStepNegative, true>},
  {"MO",  kNoValue, kAxis,        Never,              OneStep},
  // Stopping; SI and KS name their axes by a 1 in the axis's field.
  {"ST",  kNoValue, kAxis,        Never,              Stop<kDecelerate>},
  {"KL",  kNoValue, kAxis,        Never,              Stop<kAtOnce>},
  {"SA",  kNoValue, kGlobal,      Never,              StopAll},
  {"SI",  kDecimal, kGlobal,      Never,              StopListed<kDecelerate>},
  {"KS",  kDecimal, kGlobal,      Never,              StopListed<kAtOnce>},
  // Positions.
  {"LP",  kDecimal, kAxis,        Never,              LoadPosition},
  {"RP",  kNoValue, kAxisQuery,   Never,              AnswerReading<&Model::PositionAt>},
  {"RE",  kNoValue, kAxisQuery,   Never,              AnswerReading<&Model::EncoderAt>},
  {"PP",  kNoValue, kGlobal,      Never,              AnswerEveryAxis<&Model::PositionAt>},
  {"PE",  kNoValue, kGlobal,      Never,              AnswerEveryAxis<&Model::EncoderAt>},
  // Velocity, acceleration and ramp shape; PR and SS parameters are stored only.
  {"VB",  kDecimal, kAxis,        Negative,           SetSteps<&Axis::baseVelocity>},
  {"VL",  kDecimal, kAxis,        NotPositive,        SetSteps<&Axis::maxVelocity>},
  {"AC",  kDecimal, kAxis,        NotPositive,        SetSteps<&Axis::acceleration>},
  {"?VB", kNoValue, kAxisQuery,   Never,              AnswerSetting<&Axis::baseVelocity>},
  {"?VL", kNoValue, kAxisQuery,   Never,              AnswerSetting<&Axis::maxVelocity>},
  {"?AC", kNoValue, kAxisQuery,   Never,              AnswerSetting<&Axis::acceleration>},
  {"RV",  kNoValue, kAxisQuery,   Never,              AnswerReading<&Model::VelocityAt>},
  {"RC",  kNoValue, kAxisQuery,   Never,              AnswerReading<&Model::AccelerationAt>},
  {"LA",  kNoValue, kAxis,        Never,              SetRamp<Ramp::kTrapezoid, false>},
  {"SC",  kNoValue, kAxis,        Never,              SetRamp<Ramp::kCosine, false>},
  {"PR",  kDecimal, kAxis,        Never,              SetRamp<Ramp::kParabolic, true>},
  {"SS",  kDecimal, kAxis,        Never,              SetRamp<Ramp::kSCurve, true>},
  // Homing: the switch logic (stored), the search, the value both counters
  // take at home. The simulated switch needs no second kind of search or of
  // home command: HE runs as HS, HR as HM.
  {"HL",  kNoValue, kAxis,        Never,              SetFlag<&Axis::homeActiveHigh, false>},
  {"HH",  kNoValue, kAxis,        Never,              SetFlag<&Axis::homeActiveHigh, true>},
  {"HS",  kNoValue, kAxis,        Never,              SearchHome},
  {"HE",  kNoValue, kAxis,        Never,              SearchHome},
  {"HM",  kDecimal, kAxis,        Never,              SetHomeValue},
  {"HR",  kDecimal, kAxis,        Never,              SetHomeValue},
  // Overtravel: detection, input sense (stored), stop mode, travel limits.
  {"LN",  kNoValue, kAxis,        Never,              SetFlag<&Axis::overtravelDetect, true>},
  {"LF",  kNoValue, kAxis,        Never,              SetFlag<&Axis::overtravelDetect, false>},
  {"LL",  kNoValue, kAxis,        Never,              SetFlag<&Axis::overtravelActiveHigh, false>},
  {"LH",  kNoValue, kAxis,        Never,              SetFlag<&Axis::overtravelActiveHigh, true>},
  {"SL",  kNoValue, kAxis,        Never,              SetFlag<&Axis::stopAbruptly, false>},
  {"SF",  kNoValue, kAxis,        Never,              SetFlag<&Axis::stopAbruptly, true>},
  {"TL",  kDecimal, kAxis,        NotTwoTerms,        SetTravelLimits},
  // Servo and encoder: the ratio, hold settings (stored), PID, slip detection.
  {"ER",  kDecimal, kAxis,        NotTwoNonZeroTerms, SetEncoderRatio},
  {"HD",  kDecimal, kAxis,        NotOneToThreeTerms, SetHoldDeadBand},
  {"HG",  kDecimal, kAxis,        Never,              SetWhole<&Axis::holdGain>},
  {"HV",  kDecimal, kAxis,        Never,              SetWhole<&Axis::holdVelocity>},
  {"HF",  kNoValue, kAxis,        Never,              SetFlag<&Axis::pidOn, false>},
  {"HN",  kNoValue, kAxis,        Never,              SetFlag<&Axis::pidOn, true>},
  {"ES",  kDecimal, kAxis,        Never,              SetWhole<&Axis::slipTolerance>},
  {"IS",  kNoValue, kAxis,        Never,              SetFlag<&Axis::slipDetect, true>},
  {"EA",  kNoValue, kAxisQuery,   Never,              AnswerEncoderStatus},
  // Aux output: enable, settle time (ms), default state, the bit itself.
  {"PA",  kDecimal, kAxis,        NotZeroOrOne,       EnableAux},
  {"SE",  kDecimal, kAxis,        Never,              SetWhole<&Axis::auxSettleMs>},
  {"ADL", kNoValue, kAxis,        Never,              SetAuxDefault<kLow>},
  {"ADH", kNoValue, kAxis,        Never,              SetAuxDefault<kHigh>},
  {"AF",  kNoValue, kAxis,        Never,              SetFlag<&Axis::auxBit, false>},
  {"AN",  kNoValue, kAxis,        Never,              SetFlag<&Axis::auxBit, true>},
  // General-purpose I/O lines: direction word (1 = output), outputs, states.
  {"BD",  kHex,     kGlobal,      AboveFFFF,          SetDirectionWord},
  {"BS",  kHex,     kGlobal,      AboveFFFF,          SetOutputWord},
  {"BH",  kDecimal, kGlobal,      NotOneLine,         SetOutputLine<kHigh>},
  {"BL",  kDecimal, kGlobal,      NotOneLine,         SetOutputLine<kLow>},
  {"BX",  kNoValue, kGlobal,      Never,              AnswerLineStates},
  {"RB",  kNoValue, kGlobal,      Never,              AnswerDirectionWord},
  {"#ER", kNoValue, kGlobal,      Never,              AnswerIllegalText},
};
// clang-format on

// ---- Effects -------------------------------------------------------------------

template <double Model::Axis::*kField>
void Interpreter::SetSteps(Model& m, const Call& c) {
  AxisOf(m, c).*kField = std::trunc(c.value);
}

template <int32_t Model::Axis::*kField>
void Interpreter::SetWhole(Model& m, const Call& c) {
  AxisOf(m, c).*kField = Whole(c.value);
}

template <bool Model::Axis::*kField, bool kOn>
void Interpreter::SetFlag(Model& m, const Call& c) {
  AxisOf(m, c).*kField = kOn;
}

template <Ramp kShape, bool kTakesParameter>
void Interpreter::SetRamp(Model& m, const Call& c) {
  AxisOf(m, c).ramp = kShape;
  if (kTakesParameter) AxisOf(m, c).rampParameter = Whole(c.value);
}

template <Interpreter::Reading kReading>
void Interpreter::AnswerReading(Model& m, const Call& c) {
  c.answers.push_back(Decimal((m.*kReading)(AxisOf(m, c), c.now)));
}

template <auto kField>
void Interpreter::AnswerSetting(Model& m, const Call& c) {
  c.answers.push_back("=" + Decimal(AxisOf(m, c).*kField));
}

template <Interpreter::Reading kReading>
void Interpreter::AnswerEveryAxis(Model& m, const Call& c) {
  std::string list;
  for (int i = 0; i < kAxisCount; ++i) list += (i ? "," : "") + Decimal((m.*kReading)(m.AxisAt(i), c.now));
  c.answers.push_back(list);
}

template <Interpreter::Target kTarget>
void Interpreter::StageTarget(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  double steps = std::trunc(c.value);
  a.target = kTarget == kRelative ? m.PositionAt(a, c.now) + steps : steps;
  a.hasTarget = true;
}

void Interpreter::Go(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  if (!a.hasTarget) return;
  a.hasTarget = false;
  m.StartProfile(c.axis, a.target, c.now, EndKind::kNone);
  c.started |= c.bit();
}

// On an axis at rest done is reported at once.
template <Model::DoneRequest kRequest>
void Interpreter::AskForDone(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  if (a.segment != Segment::kIdle) {
    a.doneRequest = kRequest;
  } else {
    m.Report(c.bit() << kDoneShift);
  }
}

template <Interpreter::Velocity kVelocity>
void Interpreter::Jog(Model& m, const Call& c) {
  m.StartRamp(c.axis, kVelocity == kWholeSteps ? std::trunc(c.value) : c.value, c.now, false);
  c.started |= c.bit();
}

void Interpreter::OneStep(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  m.StartProfile(c.axis, m.PositionAt(a, c.now) + (a.oneStepNegative ? -1.0 : 1.0), c.now, EndKind::kNone);
  c.started |= c.bit();
}

template <Interpreter::Stopping kStopping>
void Interpreter::Stop(Model& m, const Call& c) {
  m.StopAxis(c.axis, c.now, kStopping == kAtOnce, true);
}

void Interpreter::StopAll(Model& m, const Call& c) {
  for (int i = 0; i < kAxisCount; ++i) m.StopAxis(i, c.now, false, true);
}

// Field i names axis i; a non-zero field stops it.
template <Interpreter::Stopping kStopping>
void Interpreter::StopListed(Model& m, const Call& c) {
  for (size_t i = 0; i < kAxisCount && i < c.values.size(); ++i)
    if (FieldOrZero(c.values, i) != 0.0) m.StopAxis(static_cast<int>(i), c.now, kStopping == kAtOnce, true);
}

// The motor position is redefined in place, moving the frame the switches
// are measured in; the encoder reads the new position times the ratio.
void Interpreter::LoadPosition(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  double shift = std::trunc(c.value) - m.PositionAt(a, c.now);
  a.startPosition += shift;
  a.frameOffset += shift;
  a.target += shift;
  a.slipAnchor = m.PositionAt(a, c.now);
  a.encoderOffset = 0.0;
}

void Interpreter::SearchHome(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  a.hasHomeValue = false;
  m.StartProfile(c.axis, a.switches.homeSwitch + a.frameOffset, c.now, EndKind::kHome);
  c.started |= c.bit();
}

// The value is given when the search ends; with no search under way the axis
// is at home now.
void Interpreter::SetHomeValue(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  a.homeValue = std::trunc(c.value);
  a.hasHomeValue = true;
  if (a.segment == Segment::kIdle || a.endKind != EndKind::kHome) {
    a.endKind = EndKind::kHome;
    m.FinishMotion(c.axis, c.now, false);
  }
}

// Equal limits switch the travel limits off.
void Interpreter::SetTravelLimits(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  a.softLowerLimit = std::min(WholeField(c.values, 0), WholeField(c.values, 1));
  a.softUpperLimit = std::max(WholeField(c.values, 0), WholeField(c.values, 1));
  a.softLimitsOn = a.softLowerLimit != a.softUpperLimit;
}

// The encoder keeps its reading; it counts at the new ratio from here.
void Interpreter::SetEncoderRatio(Model& m, const Call& c) {
  Axis& a = AxisOf(m, c);
  double encoder = m.EncoderAt(a, c.now);
  a.encoderCounts = WholeField(c.values, 0);
  a.motorSteps = WholeField(c.values, 1);
  a.slipAnchor = m.PositionAt(a, c.now);
  a.encoderOffset = encoder - a.slipAnchor * a.encoderCounts / a.motorSteps;
}

void Interpreter::SetHoldDeadBand(Model& m, const Call& c) {
  for (size_t i = 0; i < 3; ++i) AxisOf(m, c).holdDeadBand[i] = WholeField(c.values, i);
}

void Interpreter::EnableAux(Model& m, const Call& c) { AxisOf(m, c).auxEnabled = c.value != 0.0; }

template <Interpreter::Level kLevel>
void Interpreter::SetAuxDefault(Model& m, const Call& c) {
  AxisOf(m, c).auxDefaultHigh = kLevel == kHigh;
  AxisOf(m, c).auxBit = kLevel == kHigh;
}

// Five letters: PID enabled/disabled, slip detection enabled/disabled,
// slipped/not, on the home switch (P) or not, moving (P) or not.
void Interpreter::AnswerEncoderStatus(Model& m, const Call& c) {
  const Axis& a = AxisOf(m, c);
  AxisSnapshot s = m.Snapshot(c.axis, c.now);
  std::string letters;
  letters += a.pidOn ? 'E' : 'D';
  letters += a.slipDetect ? 'E' : 'D';
  letters += s.slipped ? 'S' : 'N';
  letters += std::fabs(s.motorPosition - a.switches.homeSwitch - a.frameOffset) < 0.5 ? 'P' : 'N';
  letters += s.moving ? 'P' : 'N';
  c.answers.push_back(letters);
}

void Interpreter::SetDirectionWord(Model& m, const Call& c) { m.ioDirection_ = static_cast<uint16_t>(c.value); }

void Interpreter::SetOutputWord(Model& m, const Call& c) { m.outputs_ = static_cast<uint16_t>(c.value); }

template <Interpreter::Level kLevel>
void Interpreter::SetOutputLine(Model& m, const Call& c) {
  uint32_t bit = 1u << static_cast<int>(c.value);
  m.outputs_ = static_cast<uint16_t>(kLevel == kHigh ? (m.outputs_ | bit) : (m.outputs_ & ~bit));
}

// Outputs show the output latch, inputs the level the outside world set.
void Interpreter::AnswerLineStates(Model& m, const Call& c) { AnswerWord(c, "", m.stateWord()); }

void Interpreter::AnswerDirectionWord(Model& m, const Call& c) { AnswerWord(c, "=", m.ioDirection_); }

void Interpreter::AnswerWord(const Call& c, const char* prefix, uint16_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%04X", prefix, static_cast<unsigned>(word));
  c.answers.push_back(text);
}

// Never empty, so that the query always has an answer to wait for.
void Interpreter::AnswerIllegalText(Model& m, const Call& c) {
  c.answers.push_back(m.lastIllegal_.empty() ? "NONE" : m.lastIllegal_);
}

// ---- Parsing -------------------------------------------------------------------

// The longest name wins. Names are compared a character at a time: nearly
// every row differs in the first, and a text is looked up once per command.
const Interpreter::Mnemonic* Interpreter::LookUp(std::string_view rest) {
  const Mnemonic* found = nullptr;
  for (const Mnemonic& m : kMnemonics) {
    size_t same = 0;
    while (same < m.name.size() && same < rest.size() && rest[same] == m.name[same]) ++same;
    if (same == m.name.size() && (found == nullptr || same > found->name.size())) found = &m;
  }
  return found;
}

// "A" and an axis letter, "AA" or "AM": the selection lasts to the end of the
// text.
bool Interpreter::ParseSelection(std::string_view s, size_t* i, int* select) {
  if (s[*i] != 'A' || *i + 1 >= s.size()) return false;
  char next = s[*i + 1];
  int axis = AxisOfLetter(next);
  if (axis < 0 && next != 'A' && next != 'M') return false;
  *select = axis >= 0 ? axis : (next == 'A' ? kSelectAll : kSelectMulti);
  *i += 2;
  return true;
}

bool Interpreter::ParseCommand(std::string_view s, size_t* i, int select, Command* command) {
  const Mnemonic* m = LookUp(s.substr(*i));
  if (m == nullptr) return false;
  *i += m->name.size();
  command->select = select;
  command->mnemonic = m;
  if (m->arg == kDecimal && !ParseDecimalList(s, i, &command->values)) return false;
  if (m->arg == kHex && !ParseHexWord(s, i, &command->values)) return false;
  // A number right after a command that takes none is not ours.
  if (m->arg == kNoValue && *i < s.size() && (IsDigit(s[*i]) || s[*i] == '-')) return false;
  if (m->scope != kGlobal && select == kSelectNone) return false;
  return !Refused(*command);
}

bool Interpreter::Refused(const Command& command) {
  const Mnemonic& m = *command.mnemonic;
  const bool oneAxis = IsOneAxis(command.select);
  // One axis's setting needs its value; with AA and AM an empty field leaves
  // its axis alone.
  if (m.arg == kDecimal && m.scope != kGlobal && oneAxis && !Field(command.values, 0)) return true;
  for (const std::optional<double>& v : command.values)
    if (v && std::fabs(*v) > kLargestValue) return true;
  return m.refused(command.values, oneAxis);
}

bool Interpreter::Parse(std::string_view s, std::vector<Command>* commands) {
  int select = kSelectNone;
  size_t i = 0;
  while (i < s.size()) {
    if (IsSeparator(s[i])) {
      ++i;
    } else if (!ParseSelection(s, &i, &select)) {
      Command command;
      if (!ParseCommand(s, &i, select, &command)) return false;
      commands->push_back(std::move(command));
    }
  }
  return true;
}

// ---- Running -------------------------------------------------------------------

void Interpreter::Run(Model& m, const Command& c, double now, uint32_t& started, std::vector<std::string>& answers) {
  const Mnemonic& mnemonic = *c.mnemonic;
  if (mnemonic.scope == kGlobal) {
    mnemonic.effect(m, Call{-1, FieldOrZero(c.values, 0), c.values, now, started, answers});
  } else if (IsOneAxis(c.select)) {
    mnemonic.effect(m, Call{c.select, FieldOrZero(c.values, 0), c.values, now, started, answers});
  } else {
    RunOnEveryAxis(m, c, now, started, answers);
  }
}

// "AA" and "AM".
void Interpreter::RunOnEveryAxis(Model& m, const Command& c, double now, uint32_t& started,
                                 std::vector<std::string>& answers) {
  const Mnemonic& mnemonic = *c.mnemonic;
  const double first = FieldOrZero(c.values, 0);
  if (mnemonic.scope == kStartedAxes) {
    for (int i = 0; i < kAxisCount; ++i) {
      bool chosen = started != 0 ? (started & (1u << i)) != 0 : m.AxisAt(i).segment != Segment::kIdle;
      if (chosen) mnemonic.effect(m, Call{i, first, c.values, now, started, answers});
    }
  } else if (mnemonic.scope == kAxisQuery) {
    std::string list;
    for (int i = 0; i < kAxisCount; ++i) {
      std::vector<std::string> one;
      mnemonic.effect(m, Call{i, first, c.values, now, started, one});
      list += (i ? "," : "") + (one.empty() ? std::string() : one.front());
    }
    answers.push_back(list);
  } else if (mnemonic.arg == kNoValue) {
    for (int i = 0; i < kAxisCount; ++i) mnemonic.effect(m, Call{i, first, c.values, now, started, answers});
  } else {
    for (size_t i = 0; i < kAxisCount && i < c.values.size(); ++i)
      if (c.values[i]) mnemonic.effect(m, Call{static_cast<int>(i), *c.values[i], c.values, now, started, answers});
  }
}

// ---- The model's entry ---------------------------------------------------------

ExecResult Model::Execute(std::string_view text, double now, bool refuse) {
  Advance(now);
  ExecResult result;
  std::vector<Interpreter::Command> commands;
  if (refuse || !Interpreter::Parse(text, &commands)) {
    result.accepted = false;
    lastIllegal_.assign(text.substr(0, kIllegalTextLength));
    Report(kCommandErrorFlag);
    return result;
  }
  uint32_t started = 0;
  for (const Interpreter::Command& c : commands) Interpreter::Run(*this, c, now, started, result.answers);
  return result;
}

}  // namespace vek::sim
