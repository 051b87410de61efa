#include "core/platform/Value.h"

namespace fw {

const std::string& Value::AsText() const {
  static const std::string kEmpty;
  const auto* s = std::get_if<std::string>(&v_);
  return s ? *s : kEmpty;
}

double Value::AsNumber() const {
  const auto* n = std::get_if<double>(&v_);
  return n ? *n : 0.0;
}

bool Value::AsLogic() const {
  const auto* l = std::get_if<bool>(&v_);
  return l ? *l : false;
}

Date Value::AsDate() const {
  const auto* d = std::get_if<fw::Date>(&v_);
  return d ? *d : fw::Date();
}

}  // namespace fw
