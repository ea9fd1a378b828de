#include "core/trace.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace vek {
namespace {

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

// "0x%X - <tag><text>", or "<tag><text>" without a handle.
void WriteTaggedLine(const void* handle, const char* tag, const char* text) {
  char line[kTraceBufferSize];
  if (handle != nullptr) {
    FormatText(line, "0x%" PRIXPTR " - %s%s", AddressOf(handle), tag, text != nullptr ? text : "");
  } else {
    FormatText(line, "%s%s", tag, text != nullptr ? text : "");
  }
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

void TraceVerbose(const void* handle, const char* text) {
  if (!VerboseTraceOn() || text == nullptr || text[0] == '\0') return;
  WriteHandleLine(handle, text);
}

void TraceVerbosef(const void* handle, const char* format, ...) {
  if (!VerboseTraceOn()) return;
  char text[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  VFormatInto(text, sizeof text, format, args);
  va_end(args);
  TraceVerbose(handle, text);
}

void TraceError(const void* handle, const char* text) {
  if (!ErrorTraceOn()) return;
  WriteTaggedLine(handle, "Error=", text);
}

void TraceErrorf(const void* handle, const char* format, ...) {
  if (!ErrorTraceOn()) return;
  char text[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  VFormatInto(text, sizeof text, format, args);
  va_end(args);
  TraceError(handle, text);
}

void TraceSent(const void* handle, const char* command) {
  if (!SentTraceOn()) return;
  WriteTaggedLine(handle, "Sent=", command);
}

void TraceStatusWord(const void* handle, const char* label, uint32_t word) {
  if (!StatusDumpOn()) return;
  char fields[80];
  WriteFields(fields, sizeof fields, word);
  char line[kTraceBufferSize];
  WriteLogLine(FormatText(line, "0x%" PRIXPTR " - %s - %s", AddressOf(handle), label, fields));
}

void TraceStatusWords(const char* label) {
  if (!StatusDumpOn()) return;
  char fields[80];
  char serialFields[80];
  WriteFields(fields, sizeof fields, gState.netStatusFlags.load());
  WriteFields(serialFields, sizeof serialFields, gState.serStatusFlags.load());
  char line[kTraceBufferSize];
  WriteLogLine(FormatText(line, "%s - Ethernet: %s  Serial: %s", label, fields, serialFields));
}

void WriteFlagsLine(const char* label, uint32_t word) {
  char fields[80];
  char line[kTraceBufferSize];
  WriteFields(fields, sizeof fields, word);
  WriteLogLine(FormatText(line, "%s - %s", label, fields));
}

}  // namespace vek
