// The log lines the numbers write most, as objects of their own: a line's
// text goes to the log by reference, so naming it lets each call pass one
// address instead of building a view first. Not installed.
#pragma once

#include <string_view>

namespace VELDRAN::internal {

inline constexpr std::string_view newfixedintline = "New fixedint object!";
inline constexpr std::string_view resizingline = "Resizing Digits to: ";
inline constexpr std::string_view doneline = "Done.";
inline constexpr std::string_view deletedfixedintline = "Deleted fixedint object.";

inline constexpr std::string_view newfixedfloatline = "Creating new fixedfloat object!";
inline constexpr std::string_view deletedfixedfloatline = "Deleting fixedfloat object!";
inline constexpr std::string_view initfixedfloatline = "Init called on fixedfloat with length: ";
inline constexpr std::string_view registersizeline = "Register size.";
inline constexpr std::string_view initpropertiesline = "Init boolean properties.";
inline constexpr std::string_view initdigitsline = "Init digits.";
inline constexpr std::string_view fixedfloatadditionline = "Addition operation in fixedfloat.";

}  // namespace VELDRAN::internal
