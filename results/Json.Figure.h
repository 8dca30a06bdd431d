#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <type_traits>

#include "results/Run.Json.h"
#include "text/Escape.Control.h"

// The largest figure with a fraction that a result file may hold: a speed, a time or a size
// beyond it is no measurement, and would not round to a whole number.
inline constexpr double ResultFigureMost = 1e15;

// Value, named Key in errors, as a T: a whole number of T's range for a whole T, a finite
// number up to ResultFigureMost otherwise, and never below Least. Anything else throws
// TResultFileError naming the key, so that no figure is truncated, wraps or overflows.
template <typename T>
T FigureOf(const nlohmann::json& Value, std::string_view Key, T Least = T{}) {
  bool Fits = false;
  std::string Kind;
  if constexpr (std::is_integral_v<T>) {
    constexpr auto Most = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    if (Value.is_number_unsigned()) {
      const auto Number = Value.get<std::uint64_t>();
      Fits = Number <= Most && (Least <= 0 || Number >= static_cast<std::uint64_t>(Least));
    } else if (Value.is_number_integer()) {
      const auto Number = Value.get<std::int64_t>();
      Fits = Number >= static_cast<std::int64_t>(Least) &&
             (Number < 0 || static_cast<std::uint64_t>(Number) <= Most);
    }
    Kind = "a whole number from " + std::to_string(Least) + " to " + std::to_string(Most);
  } else {
    if (Value.is_number()) {
      const double Number = Value.get<double>();
      Fits = std::isfinite(Number) && Number >= static_cast<double>(Least) &&
             Number <= ResultFigureMost;
    }
    Kind = "a number from " + std::to_string(static_cast<long long>(Least)) + " to 1e15";
  }
  if (!Fits) {
    const std::string Text = Value.dump();
    throw TResultFileError(std::string(Key) + " " + EscapeControlCharacters(Text.substr(0, 40)) +
                           (Text.size() > 40 ? "..." : "") + " is not " + Kind);
  }
  return Value.get<T>();
}

// Object's Key as FigureOf reads it.
template <typename T>
T Figure(const nlohmann::json& Object, const char* Key, T Least = T{}) {
  return FigureOf<T>(Object.at(Key), Key, Least);
}
