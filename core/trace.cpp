#include "core/trace.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace vek {
namespace {

// The handle a trace names: the serial one when given, else the Ethernet one.
const uint32_t* ChosenHandle(const uint32_t* net, const uint32_t* ser) { return ser != nullptr ? ser : net; }

uintptr_t AddressOf(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

void VFormatInto(char* buffer, std::size_t size, const char* format, va_list args) {
  std::memset(buffer, 0, size);
  std::vsnprintf(buffer, size, format, args);
}

void WriteHandleLine(const void* handle, const char* text) {
  char line[kTraceBufferSize];
  FormatText(line, "0x%" PRIXPTR " - %s", AddressOf(handle), text);
  WriteLogLine(line);
}

void WriteFields(char* out, std::size_t size, uint32_t word) {
  std::snprintf(out, size, "done:0x%02X limit:0x%02X slip:0x%02X err:0x%X", (word >> kDoneShift) & kGroupMask,
                (word >> kLimitShift) & kGroupMask, (word >> kSlipShift) & kGroupMask, (word >> 30) & 1u);
}

}  // namespace

char* FormatText(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VFormatInto(buffer, size, format, args);
  va_end(args);
  return buffer;
}

void WriteLogLine(const char* text) {
  if (gState.logPath[0] == '\0') return;
  std::FILE* file = std::fopen(gState.logPath, "a+");
  plat::LocalTime now;
  plat::GetLocalTime(&now);
  if (file == nullptr) return;
  std::fprintf(file, "%02d:%02d:%02d.%03d - %s\n", now.hour, now.minute, now.second, now.millisecond,
               text != nullptr ? text : "");
  std::fclose(file);
}

void TraceEntry(const void* handle, const char* label) {
  if (!EntryTraceOn()) return;
  if (handle != nullptr) {
    WriteHandleLine(handle, label);
  } else {
    char line[kTraceBufferSize];
    WriteLogLine(FormatText(line, "NULL - %s", label));
  }
}

void TraceEntryf(const void* handle, const char* format, ...) {
  if (!EntryTraceOn()) return;
  char label[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  VFormatInto(label, sizeof label, format, args);
  va_end(args);
  TraceEntry(handle, label);
}

void TraceVerbose(const uint32_t* net, const uint32_t* ser, const char* text) {
  if (!VerboseTraceOn() || text == nullptr || text[0] == '\0') return;
  WriteHandleLine(ChosenHandle(net, ser), text);
}

void TraceVerbosef(const uint32_t* net, const uint32_t* ser, const char* format, ...) {
  if (!VerboseTraceOn()) return;
  char text[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  VFormatInto(text, sizeof text, format, args);
  va_end(args);
  TraceVerbose(net, ser, text);
}

void TraceError(const uint32_t* net, const uint32_t* ser, const char* text) {
  if (!ErrorTraceOn()) return;
  char line[kTraceBufferSize];
  const uint32_t* handle = ChosenHandle(net, ser);
  if (handle != nullptr) {
    FormatText(line, "0x%" PRIXPTR " - Error=%s", AddressOf(handle), text != nullptr ? text : "");
  } else {
    FormatText(line, "Error=%s", text != nullptr ? text : "");
  }
  WriteLogLine(line);
}

void TraceErrorf(const uint32_t* net, const uint32_t* ser, const char* format, ...) {
  if (!ErrorTraceOn()) return;
  char text[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  VFormatInto(text, sizeof text, format, args);
  va_end(args);
  TraceError(net, ser, text);
}

void TraceSent(const uint32_t* net, const uint32_t* ser, const char* command) {
  if (!SentTraceOn()) return;
  char line[kTraceBufferSize];
  const uint32_t* handle = ChosenHandle(net, ser);
  if (handle != nullptr) {
    FormatText(line, "0x%" PRIXPTR " - Sent=%s", AddressOf(handle), command != nullptr ? command : "");
  } else {
    FormatText(line, "Sent=%s", command != nullptr ? command : "");
  }
  WriteLogLine(line);
}

void TraceStatusFlags(const uint32_t* net, const uint32_t* ser, const char* label) {
  if (!StatusDumpOn()) return;
  char line[kTraceBufferSize];
  char fields[80];
  char serialFields[80];
  if (ser != nullptr || net != nullptr) {
    WriteFields(fields, sizeof fields, ser != nullptr ? gState.serStatusFlags.load() : gState.netStatusFlags.load());
    FormatText(line, "0x%" PRIXPTR " - %s - %s", AddressOf(ChosenHandle(net, ser)), label, fields);
  } else {
    WriteFields(fields, sizeof fields, gState.netStatusFlags.load());
    WriteFields(serialFields, sizeof serialFields, gState.serStatusFlags.load());
    FormatText(line, "%s - Ethernet: %s  Serial: %s", label, fields, serialFields);
  }
  WriteLogLine(line);
}

void WriteFlagsLine(const char* label, uint32_t word) {
  char fields[80];
  char line[kTraceBufferSize];
  WriteFields(fields, sizeof fields, word);
  WriteLogLine(FormatText(line, "%s - %s", label, fields));
}

}  // namespace vek
