#include "program/command_line.h"

#include <algorithm>

namespace grafen::program {

bool GivenBefore(std::vector<std::string_view>& given, std::string_view option) {
  if (std::find(given.begin(), given.end(), option) != given.end()) return true;
  given.push_back(option);
  return false;
}

bool Arguments::Next() {
  at_ += started_ ? 1 : 0;
  started_ = true;
  if (!optionsEnd_ && at_ < arguments_.size() && arguments_[at_] == "--") {
    optionsEnd_ = true;
    ++at_;
  }
  if (at_ >= arguments_.size()) return false;
  const std::string_view text = arguments_[at_];
  const std::size_t equals = text.find('=');
  hasValue_ = !optionsEnd_ && text.starts_with("--") && equals != std::string_view::npos;
  name_ = hasValue_ ? text.substr(0, equals) : text;
  value_ = hasValue_ ? text.substr(equals + 1) : std::string_view();
  return true;
}

bool Arguments::Operand() const {
  const std::string_view text = argument();
  return optionsEnd_ || text == "-" || !text.starts_with("-");
}

std::string_view Arguments::Value() {
  const std::string_view option = name_ == "--output" ? "-o" : name_;
  if (GivenBefore(given_, option)) throw UsageError(std::string(option) + " given more than once");
  if (hasValue_) return value_;
  if (at_ + 1 >= arguments_.size()) throw UsageError(std::string(name_) + " needs a value");
  return arguments_[++at_];
}

std::string Arguments::FileName() {
  std::string name(Value());
  if (name.empty()) throw UsageError(std::string(name_) + " needs a file name");
  return name;
}

std::string Arguments::Output() {
  std::string name = FileName();
  if (name == "-") name.clear();
  return name;
}

void Arguments::Unknown() const {
  throw UsageError("unknown option '" + std::string(argument()) + "'");
}

std::optional<long> Decimal(std::string_view text, std::size_t digits) {
  if (text.empty() || text.size() > digits) return std::nullopt;
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

int Bounded(std::string_view option, std::string_view text, int low, int high, std::size_t digits) {
  const std::optional<long> value = Decimal(text, digits);
  if (!value || *value < low || *value > high) {
    throw UsageError(std::string(option) + " takes a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not '" + std::string(text) + "'");
  }
  return static_cast<int>(*value);
}

spectral::SpectralMatrix MatrixNamed(std::string_view text, std::string_view choices) {
  if (const std::optional<spectral::SpectralMatrix> named = spectral::MatrixNamed(text)) {
    return *named;
  }
  throw UsageError("--matrix takes " + std::string(choices) + ", not '" + std::string(text) + "'");
}

void AddMatricesNamed(std::vector<spectral::SpectralMatrix>& matrices, std::string_view text,
                      std::string_view choices) {
  while (true) {
    const std::size_t comma = text.find(',');
    const std::vector<spectral::SpectralMatrix> named =
        text.substr(0, comma) == "all"
            ? spectral::AllMatrices()
            : std::vector<spectral::SpectralMatrix>{MatrixNamed(text.substr(0, comma), choices)};
    for (const spectral::SpectralMatrix matrix : named) {
      if (std::find(matrices.begin(), matrices.end(), matrix) == matrices.end()) {
        matrices.push_back(matrix);
      }
    }
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  std::sort(matrices.begin(), matrices.end(),
            [](auto a, auto b) { return spectral::MatrixRank(a) < spectral::MatrixRank(b); });
}

std::vector<spectral::SpectralMatrix> JointNamed(std::string_view text) {
  std::vector<spectral::SpectralMatrix> joint;
  AddMatricesNamed(joint, text, kMatrixChoices);
  if (joint.size() < 2) {
    throw UsageError("--joint takes two or more matrices, comma-separated, not '" +
                     std::string(text) + "'");
  }
  return joint;
}

}  // namespace grafen::program
