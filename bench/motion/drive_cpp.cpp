// The C++ face of the soak (soak.py): vek::Controller driven by one command
// line at a time on standard input, one answer line for each on standard
// output. The soak judges every answer by looking at the simulator itself.
//
//   open tcp HOST PORT | open serial COM | move TIMEOUT_MS A=N ... | slip A... | close | quit
//   -> "ok", or "error CLASS CODE NAME MESSAGE" (the message on one line)
#include <cxxabi.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "vekkestra.hpp"

namespace {

constexpr char kLetters[] = "XYZTUVRSWK";

using Words = std::istringstream;
using Command = std::function<void(Words&)>;

vek::Axis AxisOf(char letter) {
  const std::string letters(kLetters);
  const size_t slot = letters.find(letter);
  if (slot == std::string::npos) throw std::invalid_argument(std::string("no axis ") + letter);
  return vek::axis_at(static_cast<int>(slot));
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = '|';
  return text;
}

std::string ClassName(const std::exception& e) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status),
                                              std::free);
  return status == 0 && name ? name.get() : typeid(e).name();
}

class Driver {
 public:
  Driver() {
    commands_ = {
        {"open", [this](Words& w) { Open(w); }},
        {"move", [this](Words& w) { Move(w); }},
        {"slip", [this](Words& w) { Slip(w); }},
        {"close", [this](Words&) { ctl_.reset(); }},
    };
  }

  // Runs one line; false for "quit".
  bool Run(const std::string& line) {
    Words words(line);
    std::string verb;
    words >> verb;
    if (verb == "quit") return false;
    try {
      const auto command = commands_.find(verb);
      if (command == commands_.end()) throw std::invalid_argument("no command " + verb);
      command->second(words);
      std::cout << "ok\n";
    } catch (const vek::Error& e) {
      std::cout << "error " << ClassName(e) << ' ' << e.code() << ' ' << e.name() << ' ' << OneLine(e.what()) << '\n';
    } catch (const std::exception& e) {
      std::cout << "error " << ClassName(e) << " 0 - " << OneLine(e.what()) << '\n';
    }
    std::cout.flush();
    return true;
  }

 private:
  void Open(Words& w) {
    std::string link;
    w >> link;
    ctl_.reset();
    if (link == "tcp") {
      std::string host;
      int port = 0;
      w >> host >> port;
      ctl_.emplace(vek::Controller::tcp(host, port));
    } else {
      int com = 0;
      w >> com;
      ctl_.emplace(vek::Controller::serial(com));
    }
  }

  vek::Controller& Ctl() {
    if (!ctl_) throw std::logic_error("not open");
    return *ctl_;
  }

  void Move(Words& w) {
    long timeoutMs = 0;
    w >> timeoutMs;
    std::map<vek::Axis, int32_t> targets;
    for (std::string word; w >> word;) targets[AxisOf(word.at(0))] = std::stoi(word.substr(2));
    Ctl().move(targets, std::chrono::milliseconds(timeoutMs));
  }

  void Slip(Words& w) {
    std::string letters;
    w >> letters;
    vek::Axes axes;
    for (char letter : letters) axes = axes | AxisOf(letter);
    Ctl().enable_slip_detection(axes);
  }

  std::optional<vek::Controller> ctl_;
  std::map<std::string, Command> commands_;
};

}  // namespace

int main() {
  Driver driver;
  for (std::string line; std::getline(std::cin, line);) {
    if (!driver.Run(line)) break;
  }
  return 0;
}
