// The motion core's plain C face: every function checks its controller,
// calls the C++ inside and copies what went wrong into the caller's
// VekmError. Nothing of C++ crosses it: no exception, no type.
#include <cstdio>
#include <cstring>
#include <new>

#include "motion/controller.h"
#include "motion/results.h"
#include "vekkestra_motion.h"
#include "vekkestra_motion_calls.h"
#include "vekkestra_version.h"

struct VekmController {
  explicit VekmController(std::unique_ptr<vek::motion::Link> link) : impl(std::move(link)) {}
  vek::motion::Controller impl;
};

namespace {

using vek::motion::Failure;

template <size_t N>
void Copy(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

// Fills the caller's error from a result and what the core found.
uint32_t Report(uint32_t code, const Failure& failure, VekmError* error) {
  if (error == nullptr) return code;
  std::memset(error, 0, sizeof *error);
  error->code = code;
  error->axis_index = -1;
  if (code == VEK_SUCCESS) return code;
  const vek::motion::ResultRow* row = vek::motion::FindResult(code);
  error->kind = vek::motion::KindOf(code);
  Copy(error->name, vek::motion::NameOf(code));
  Copy(error->operation, failure.operation);
  Copy(error->detail, failure.detail.empty() && row != nullptr ? std::string(row->text) : failure.detail);
  Copy(error->hint, failure.hint.empty() && row != nullptr ? std::string(row->hint) : failure.hint);
  error->axis = failure.axis;
  error->axis_index = vek::axes::IndexOf(failure.axis);
  error->position = failure.position;
  error->position_read = failure.positionRead ? 1 : 0;
  error->signal = failure.signal;
  error->stopped = failure.stopped;
  std::snprintf(error->message, sizeof error->message, "%s: %s (%u)%s%s%s%s", error->operation, error->name,
                static_cast<unsigned>(code), error->detail[0] != '\0' ? ": " : "", error->detail,
                error->hint[0] != '\0' ? "\n  hint: " : "", error->hint);
  return code;
}

uint32_t NoController(const char* operation, VekmError* error) {
  Failure failure;
  vek::motion::Fail(&failure, VEKM_CLOSED, operation, "no controller (a null pointer)");
  return Report(VEKM_CLOSED, failure, error);
}

// Runs one call of the controller and reports it.
template <class Run>
uint32_t With(VekmController* c, const char* operation, VekmError* error, Run run) {
  if (c == nullptr) return NoController(operation, error);
  Failure failure;
  const uint32_t code = run(c->impl, &failure);
  if (code == VEKM_CLOSED && failure.operation.rfind("vekm_", 0) != 0) failure.operation = operation;
  return Report(code, failure, error);
}

uint32_t Open(uint32_t code, std::unique_ptr<vek::motion::Link> link, const Failure& failure,
              VekmController** controller, VekmError* error) {
  if (code == VEK_SUCCESS) {
    *controller = new (std::nothrow) VekmController(std::move(link));
    if (*controller == nullptr) {
      Failure none;
      vek::motion::Fail(&none, VEKM_BAD_ARGUMENT, "vekm_open", "out of memory");
      return Report(VEKM_BAD_ARGUMENT, none, error);
    }
  }
  return Report(code, failure, error);
}

}  // namespace

extern "C" {

VEKM_API const char* VEKM_CALL vekm_version(void) { return VEK_PRODUCT_VERSION; }
VEKM_API const char* VEKM_CALL vekm_result_name(uint32_t code) { return vek::motion::NameOf(code); }
VEKM_API int32_t VEKM_CALL vekm_result_kind(uint32_t code) { return vek::motion::KindOf(code); }
VEKM_API const char* VEKM_CALL vekm_kind_name(int32_t kind) { return vek::motion::KindName(kind); }
VEKM_API int32_t VEKM_CALL vekm_result_count(void) { return vek::motion::ResultCount(); }

VEKM_API const char* VEKM_CALL vekm_result_text(uint32_t code) {
  const vek::motion::ResultRow* row = vek::motion::FindResult(code);
  return row != nullptr ? row->text : "a result code this library does not know";
}

VEKM_API uint32_t VEKM_CALL vekm_result_at(int32_t index) {
  if (index < 0 || index >= vek::motion::ResultCount()) return 0xFFFFFFFFu;
  return vek::motion::ResultAt(index).code;
}

VEKM_API uint32_t VEKM_CALL vekm_open_tcp(const char* host, int32_t port, VekmController** controller,
                                          VekmError* error) {
  if (controller == nullptr) return NoController("vekm_open_tcp", error);
  *controller = nullptr;
  std::unique_ptr<vek::motion::Link> link;
  Failure failure;
  const uint32_t code = vek::motion::Link::OpenTcp(host, port, &link, &failure);
  return Open(code, std::move(link), failure, controller, error);
}

VEKM_API uint32_t VEKM_CALL vekm_open_serial(int32_t com, int32_t baud, VekmController** controller, VekmError* error) {
  if (controller == nullptr) return NoController("vekm_open_serial", error);
  *controller = nullptr;
  std::unique_ptr<vek::motion::Link> link;
  Failure failure;
  const uint32_t code = vek::motion::Link::OpenSerial(com, baud, &link, &failure);
  return Open(code, std::move(link), failure, controller, error);
}

VEKM_API void VEKM_CALL vekm_close(VekmController* controller) {
  if (controller != nullptr) controller->impl.Close();
}

VEKM_API void VEKM_CALL vekm_free(VekmController* controller) { delete controller; }

VEKM_API int32_t VEKM_CALL vekm_is_open(VekmController* controller) {
  return controller != nullptr && controller->impl.IsOpen() ? 1 : 0;
}

VEKM_API int32_t VEKM_CALL vekm_is_serial(VekmController* controller) {
  return controller != nullptr && controller->impl.IsSerial() ? 1 : 0;
}

VEKM_API void VEKM_CALL vekm_describe(VekmController* controller, char* text, int32_t size) {
  if (text == nullptr || size < 1) return;
  const std::string where = controller != nullptr ? controller->impl.Where() : std::string("no controller");
  std::snprintf(text, static_cast<size_t>(size), "%s", where.c_str());
}

VEKM_API uint32_t VEKM_CALL vekm_move(VekmController* controller, int32_t axes, const int32_t* targets, int32_t options,
                                      int32_t timeout_ms, VekmError* error) {
  return With(controller, "vekm_move", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Move(axes, targets, options, timeout_ms, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_move_axis(VekmController* controller, int32_t axis, int32_t target, int32_t options,
                                           int32_t timeout_ms, VekmError* error) {
  return With(controller, "vekm_move_axis", error, [&](vek::motion::Controller& c, Failure* f) {
    if (vek::axes::IndexOf(axis) < 0) {
      return vek::motion::Fail(f, VEKM_BAD_ARGUMENT, "vekm_move_axis",
                               std::to_string(axis) + " is not an axis bit (1 for X to 512 for K)");
    }
    int32_t targets[VEK_AXIS_COUNT] = {};
    targets[vek::axes::IndexOf(axis)] = target;
    return c.Move(axis, targets, options, timeout_ms, f, "vekm_move_axis");
  });
}

VEKM_API uint32_t VEKM_CALL vekm_home(VekmController* controller, int32_t axis, int32_t value, int32_t options,
                                      int32_t timeout_ms, VekmError* error) {
  return With(controller, "vekm_home", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Home(axis, value, options, timeout_ms, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_find_limit(VekmController* controller, int32_t axis, int32_t velocity, int32_t options,
                                            int32_t timeout_ms, VekmError* error) {
  return With(controller, "vekm_find_limit", error, [&](vek::motion::Controller& c, Failure* f) {
    return c.FindLimit(axis, velocity, options, timeout_ms, f);
  });
}

VEKM_API uint32_t VEKM_CALL vekm_jog(VekmController* controller, int32_t axes, const double* velocities,
                                     VekmError* error) {
  return With(controller, "vekm_jog", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Jog(axes, velocities, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_stop(VekmController* controller, int32_t axes, VekmError* error) {
  return With(controller, "vekm_stop", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Halt(axes, false, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_kill(VekmController* controller, int32_t axes, VekmError* error) {
  return With(controller, "vekm_kill", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Halt(axes, true, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_wait(VekmController* controller, int32_t axes, int32_t options, int32_t timeout_ms,
                                      VekmError* error) {
  return With(controller, "vekm_wait", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Wait(axes, options, timeout_ms, f); });
}

VEKM_API int32_t VEKM_CALL vekm_moving(VekmController* controller) {
  return controller != nullptr ? controller->impl.Moving() : 0;
}

VEKM_API uint64_t VEKM_CALL vekm_mark(VekmController* controller) {
  return controller != nullptr ? controller->impl.Mark() : 0;
}

VEKM_API int32_t VEKM_CALL vekm_moving_since(VekmController* controller, uint64_t mark, int32_t this_thread_only) {
  return controller != nullptr ? controller->impl.MovingSince(mark, this_thread_only != 0) : 0;
}

VEKM_API void VEKM_CALL vekm_cancel(VekmController* controller) {
  if (controller != nullptr) controller->impl.Cancel();
}

VEKM_API uint32_t VEKM_CALL vekm_poll(VekmController* controller, VekmAxisState* states, uint32_t* word,
                                      VekmError* error) {
  return With(controller, "vekm_poll", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Poll(states, word, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_status_word(VekmController* controller, uint32_t* word, VekmError* error) {
  return With(controller, "vekm_status_word", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.StatusWord(word, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_positions(VekmController* controller, int32_t* motor, int32_t* encoder,
                                           VekmError* error) {
  return With(controller, "vekm_positions", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Positions(motor, encoder, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_enable_slip_detection(VekmController* controller, int32_t axes, int32_t tolerance,
                                                       VekmError* error) {
  return With(controller, "vekm_enable_slip_detection", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.EnableSlipDetection(axes, tolerance, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_send(VekmController* controller, const char* text, VekmError* error) {
  return With(controller, "vekm_send", error, [&](vek::motion::Controller& c, Failure* f) { return c.Send(text, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_query(VekmController* controller, const char* text, char* answer, int32_t size,
                                       VekmError* error) {
  return With(controller, "vekm_query", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.Query(text, answer, size, f); });
}

VEKM_API uint32_t VEKM_CALL vekm_with_handle(VekmController* controller, const char* operation, VekmHandleCall call,
                                             void* context, VekmError* error) {
  return With(controller, "vekm_with_handle", error,
              [&](vek::motion::Controller& c, Failure* f) { return c.WithHandle(operation, call, context, f); });
}

// Every operation of the command set on the controller's transport, with the
// lock and the recovery of the core: vekm_call_<Name>(controller, the
// operation's own parameters, error). No safe-motion promise: a motion
// operation called so is the library's own, waits and all.
#define VEKM_DEFINE_CALL(Name, ...)                                                                             \
  VEKM_API uint32_t VEKM_CALL vekm_call_##Name(VekmController* controller VEK_MORE(VEK_PAIR_DECL, __VA_ARGS__), \
                                               VekmError* error) {                                              \
    return With(controller, "vekm_call_" #Name, error, [&](vek::motion::Controller& c, Failure* f) {            \
      return c.Call(                                                                                            \
          #Name, vek::motion::Use::kQuery,                                                                      \
          [&](const vek::Exports& ops, uint32_t* handle) {                                                      \
            return ops.Name(handle VEK_MORE(VEK_PAIR_NAME, __VA_ARGS__));                                       \
          },                                                                                                    \
          f);                                                                                                   \
    });                                                                                                         \
  }
VEK_OPERATIONS(VEKM_DEFINE_CALL)
#undef VEKM_DEFINE_CALL

}  // extern "C"
