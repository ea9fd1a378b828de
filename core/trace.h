// The trace writer: one timestamped line per trace, appended to the log file
// that the logger names, each kind switched on by its own part of the
// category mask. Traces never fail: a line that cannot be written is dropped.
//
// Handles are the addresses of the application's variables and are printed
// as such ("0x%X"). Texts are always passed as arguments, never used as a
// format.
#ifndef VEK_CORE_TRACE_H
#define VEK_CORE_TRACE_H

#include <cstddef>
#include <cstdint>

#include "core/state.h"

#if defined(__GNUC__) || defined(__clang__)
#  define VEK_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#  define VEK_PRINTF(fmt, args)
#endif

namespace vek {

// Category tests on the mask.
inline constexpr int32_t kTraceEntryBit = 0x1;
inline constexpr int32_t kTraceSentBit = 0x2;
inline constexpr int32_t kTraceDumpBit = 0x4;
inline constexpr int32_t kTraceAppendBit = 0x10;
inline constexpr int32_t kTraceVerboseBits = 0xA70000;

// The mask orders nothing else, so a relaxed read is enough.
inline int32_t TraceMask() { return gState.traceMask.load(std::memory_order_relaxed); }
inline bool EntryTraceOn() { return (TraceMask() & kTraceEntryBit) != 0; }
inline bool SentTraceOn() { return (TraceMask() & kTraceSentBit) != 0; }
inline bool StatusDumpOn() { return (TraceMask() & kTraceDumpBit) != 0; }
inline bool VerboseTraceOn() { return (TraceMask() & kTraceVerboseBits) == kTraceVerboseBits; }
inline bool ErrorTraceOn() { return TraceMask() > 0; }

// snprintf into a zero-filled buffer; a text longer than the buffer is cut
// and stays terminated. Returns the buffer.
char* FormatText(char* buffer, std::size_t size, const char* format, ...) VEK_PRINTF(3, 4);
template <std::size_t N>
inline char* FormatText(char (&buffer)[N], const char* format, ...) VEK_PRINTF(2, 3);

// Appends "hh:mm:ss.mmm - text" to the log file, opening and closing it.
void WriteLogLine(const char* text);

// Entry trace of an exported operation: "0x%X - label", or "NULL - label"
// when the handle is null.
void TraceEntry(const void* handle, const char* label);
void TraceEntryf(const void* handle, const char* format, ...) VEK_PRINTF(2, 3);

// "0x%X - text" with the handle (0x0 when it is null); empty texts are skipped.
void TraceVerbose(const void* handle, const char* text);
void TraceVerbosef(const void* handle, const char* format, ...) VEK_PRINTF(2, 3);

// "0x%X - Error=text", or "Error=text" when the handle is null.
void TraceError(const void* handle, const char* text);
void TraceErrorf(const void* handle, const char* format, ...) VEK_PRINTF(2, 3);

// "0x%X - Sent=command", or "Sent=command" when the handle is null.
void TraceSent(const void* handle, const char* command);

// The status dump of one word: "0x%X - <label> - done:0x%02X limit:0x%02X
// slip:0x%02X err:0x%X".
void TraceStatusWord(const void* handle, const char* label, uint32_t word);
// The status dump of no connection in particular: "<label> - Ethernet: <the
// fields of the Ethernet word>  Serial: <those of the serial word>".
void TraceStatusWords(const char* label);

// The dump line itself, "<label> - done:0x%02X limit:0x%02X slip:0x%02X err:0x%X",
// written straight to the log (the notification filters' in/out lines).
void WriteFlagsLine(const char* label, uint32_t word);

}  // namespace vek

#include "core/trace_inl.h"

#endif  // VEK_CORE_TRACE_H
