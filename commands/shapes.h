// The shapes of operation: what most operations of the command set do, once,
// with the texts that tell one operation from another (its mnemonic, its
// query, its status field) given in its row's Work column. A row written as
// `OP(SetAxisHoldGain, Plain, AxisValue("HG"), ...)` needs no worker: its
// twins call AxisValue("HG") with their link, the label "SetAxisHoldGain()"
// and their parameters.
//
// Each shape checks, traces and sends exactly as the workers it replaced did:
// the texts, the order of the checks and the trace lines are the contract's.
// A shape's code lives with the group whose operations it first served.
#ifndef VEK_COMMANDS_SHAPES_H
#define VEK_COMMANDS_SHAPES_H

#include <cstdint>

#include "commands/link.h"

namespace vek::shape {

// A row of its own worker: the twins call vek::ops::<Name>, which needs no label.
template <auto kWorker>
struct Worker {
  template <class... Parameters>
  uint32_t operator()(Link link, const char* /*label*/, Parameters... parameters) const {
    return kWorker(link, parameters...);
  }
};

// "A<letter><mnemonic><value>;" (axis.cpp), e.g. AxisValue("HG") sends "AXHG25;".
struct AxisValue {
  constexpr explicit AxisValue(const char* mnemonicText) : mnemonic(mnemonicText) {}
  uint32_t operator()(Link link, const char* label, int32_t axis, int32_t value) const;
  const char* mnemonic;
};

// "A<letter><text>" (axis.cpp): a fixed command of one axis, its ";" included.
struct AxisText {
  constexpr explicit AxisText(const char* commandText) : text(commandText) {}
  uint32_t operator()(Link link, const char* label, int32_t axis) const;
  const char* text;
};

// How a single-axis read traces an answer it cannot scan (reads.cpp). New
// operations take kVerbose; the others keep the lines their logs have
// always had.
enum Unparsed {
  kVerbose,        // verbose "<label> | VEK_ERROR_BAD_RESPONSE | bad receive string: recv <answer>"
  kError,          // error "<label> bad receive string: recv <answer>"
  kErrorNet,       // error "VEKnet_<label> bad receive string: recv <answer>", on both transports
  kErrorNoAnswer,  // error "<label> bad response"
};

// "A<letter><query>" answered with one decimal number (reads.cpp). A query
// starting with "?" reads a setting, answered with one leading character
// ("=2500") that is skipped.
struct AxisRead {
  constexpr AxisRead(const char* queryText, Unparsed unparsedTrace) : query(queryText), unparsed(unparsedTrace) {}
  uint32_t operator()(Link link, const char* label, int32_t axis, int32_t* value) const;
  const char* query;
  Unparsed unparsed;
};

// The same reading of every axis, answered with a value list (reads.cpp): the
// "AA" command for addressing 0, the "AM" one for 1. Slots without a field
// keep what the caller left in them.
struct AllAxesRead {
  constexpr AllAxesRead(const char* aaCommand, const char* amCommand) : commands{aaCommand, amCommand} {}
  uint32_t operator()(Link link, const char* label, int32_t addressing, int32_t* values) const;
  const char* commands[2];
};

// Stopping or killing a set of axes (stopping.cpp): `allAxes` sent as it is
// for all ten, else `prefix` and the value list with a 1 for each axis.
struct EndMotion {
  constexpr EndMotion(const char* allAxesText, const char* prefixText) : allAxes(allAxesText), prefix(prefixText) {}
  uint32_t operator()(Link link, const char* label, int32_t axes) const;
  const char* allAxes;
  const char* prefix;
};

// A field of the transport's status word, (word >> shift) & mask, after
// reading what is waiting; `dump` labels the status dump (flags.cpp).
struct StatusField {
  constexpr StatusField(uint32_t fieldShift, uint32_t fieldMask, const char* dumpLabel)
      : shift(fieldShift), mask(fieldMask), dump(dumpLabel) {}
  uint32_t operator()(Link link, const char* label, uint32_t* out) const;
  uint32_t shift;
  uint32_t mask;
  const char* dump;
};

// 1 when the flags of every axis of a mask are set in the group at `shift`,
// after reading what is waiting (flags.cpp).
struct AxisFlag {
  constexpr AxisFlag(uint32_t groupShift, const char* dumpLabel) : shift(groupShift), dump(dumpLabel) {}
  uint32_t operator()(Link link, const char* label, int32_t axisBit, uint32_t* flag) const;
  uint32_t shift;
  const char* dump;
};

// Forgets the flags of a set of axes in the group at `shift`, between the
// dumps "<label> - in" and "<label> - out" (flags.cpp).
struct ClearFlags {
  constexpr explicit ClearFlags(uint32_t groupShift) : shift(groupShift) {}
  uint32_t operator()(Link link, const char* label, int32_t axes) const;
  uint32_t shift;
};

// One of two mnemonics of an axis by a 0/1 selector, "A<letter><mnemonic>;",
// after the handle, axis and label (overtravel.cpp).
struct AxisSwitch {
  constexpr AxisSwitch(const char* off, const char* on) : mnemonics{off, on} {}
  uint32_t operator()(Link link, const char* label, int32_t axis, uint32_t selector) const;
  const char* mnemonics[2];
};

// One of two texts of an axis by a 0/1 selector, checked before anything
// else (auxiliary.cpp).
struct AxisChoice {
  constexpr AxisChoice(const char* off, const char* on) : texts{off, on} {}
  uint32_t operator()(Link link, const char* label, int32_t axis, uint32_t selector) const;
  const char* texts[2];
};

// A word of the I/O lines, asked with `query` and scanned by `scan` (io.cpp).
struct IoWord {
  constexpr IoWord(const char* queryText, bool (*scanner)(const char*, uint32_t*)) : query(queryText), scan(scanner) {}
  uint32_t operator()(Link link, const char* label, uint32_t* word) const;
  const char* query;
  bool (*scan)(const char*, uint32_t*);
};

}  // namespace vek::shape

#endif  // VEK_COMMANDS_SHAPES_H
