#include "core/descriptors.h"

#include <atomic>

namespace vek {

// Static storage: all free at load.
std::atomic<uint32_t> detail::gSockets[kMaxOpenSockets];
std::atomic<uint32_t> detail::gSerialPorts[kMaxOpenSerialPorts];

namespace {
using detail::gSerialPorts;
using detail::gSockets;

struct Table {
  std::atomic<uint32_t>* slots;
  std::size_t size;
};

Table TableOf(DescriptorKind kind) {
  if (kind == DescriptorKind::kSerialPort) return Table{gSerialPorts, kMaxOpenSerialPorts};
  return Table{gSockets, kMaxOpenSockets};
}

std::size_t HomeOf(const Table& table, uint32_t value) { return value % table.size; }

std::atomic<uint32_t>* Find(const Table& table, uint32_t value) {
  if (value == 0) return nullptr;
  std::atomic<uint32_t>* home = &table.slots[HomeOf(table, value)];
  if (home->load() == value) return home;
  for (std::size_t i = 0; i < table.size; ++i)
    if (table.slots[i].load() == value) return &table.slots[i];
  return nullptr;
}

bool Claim(std::atomic<uint32_t>& slot, uint32_t value) {
  uint32_t expected = 0;
  return slot.compare_exchange_strong(expected, value);
}

}  // namespace

bool RememberOpened(DescriptorKind kind, uint32_t value) {
  if (value == 0) return false;
  const Table table = TableOf(kind);
  // Already listed: the number was closed behind the library's back (not
  // through its close) and the system has just handed it out again.
  if (Find(table, value) != nullptr) return true;
  if (Claim(table.slots[HomeOf(table, value)], value)) return true;
  for (std::size_t i = 0; i < table.size; ++i)
    if (Claim(table.slots[i], value)) return true;
  return false;
}

bool ForgetOpened(DescriptorKind kind, uint32_t value) {
  std::atomic<uint32_t>* slot = Find(TableOf(kind), value);
  if (slot == nullptr) return false;
  uint32_t expected = value;
  return slot->compare_exchange_strong(expected, 0);
}

bool detail::IsListedAwayFromHome(DescriptorKind kind, uint32_t value) { return Find(TableOf(kind), value) != nullptr; }

}  // namespace vek
