#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace keldo::test {

// Values a test adds to the serial port map, removed again at the end. Their
// names sort before any name the platform gives its ports, and on Linux they
// are the first values of a sandbox's fresh key, so they lead the list in
// either platform's enumeration order.
class SerialCommValues {
 public:
  using Data = std::variant<std::string, std::int32_t>;
  struct Value {
    std::string name;
    Data data;
  };

  explicit SerialCommValues(const std::vector<Value>& values);
  ~SerialCommValues();
  SerialCommValues(const SerialCommValues&) = delete;
  SerialCommValues& operator=(const SerialCommValues&) = delete;

  bool Written() const { return written_; }

 private:
  std::vector<std::string> names_;
  bool written_ = false;
};

}  // namespace keldo::test
