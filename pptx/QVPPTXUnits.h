#pragma once
// DrawingML numbers as the slide parts write them: lengths in EMU (points x
// 12700), angles in 60000ths of a degree, percentages in 1000ths of a percent,
// all printed as whole numbers ("%0.0f", halves to even) and kept inside the
// range their schema type allows, so that no value can make a consumer reject
// the part. A value that is not a number is written as the nearest legal value
// to zero.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace QVPPTXUnits {

inline constexpr double kEMUPerPoint = 12700.0;

// Schema ranges (ECMA-376 Part 1, DrawingML and PresentationML simple types).
inline constexpr double kCoordinateMin = -27273042329600.0;  // ST_Coordinate
inline constexpr double kCoordinateMax = 27273042316900.0;
inline constexpr double kTextMarginMax = 51206400.0;          // ST_TextMargin, ST_TextIndent >= 0
inline constexpr double kTextSpacingPointMax = 158400.0;      // ST_TextSpacingPoint
inline constexpr double kLineWidthMax = 20116800.0;           // ST_LineWidth
inline constexpr double kFontSizeMin = 100.0;                 // ST_TextFontSize
inline constexpr double kFontSizeMax = 400000.0;
inline constexpr double kFixedPercentageMax = 100000.0;       // ST_PositiveFixedPercentage
inline constexpr double kPositivePercentageMax = 2147483647.0;  // ST_PositivePercentage (xsd:int)
inline constexpr double kSlideSizeMin = 914400.0;             // ST_SlideSizeCoordinate
inline constexpr double kSlideSizeMax = 51206400.0;
inline constexpr double kIntMin = -2147483648.0;              // xsd:int (ST_Angle, ST_Coordinate32)
inline constexpr double kIntMax = 2147483647.0;

// The value clamped into [lo, hi]; NaN becomes the legal value nearest 0.
double clamp(double value, double lo, double hi);
// "%0.0f" of the clamped value.
std::string whole(double value, double lo, double hi);

// A position in points as an ST_Coordinate in EMU (may be negative).
std::string coordinate(double points);
// The same, appended to out.
void appendCoordinate(std::string& out, double points);
// A length in points as an ST_PositiveCoordinate in EMU (never negative).
std::string positiveCoordinate(double points);
// Degrees as an ST_Angle (60000ths of a degree).
std::string angle(double degrees);
// An opacity 0..1 as an ST_PositiveFixedPercentage (0..100000).
std::string fixedPercentage(double fraction);

// Dash phase and pattern as text: whole numbers (fraction cut off), the
// pattern's entries one space apart; no pattern text for an empty pattern.
std::string dashPhaseString(int64_t phase);
std::optional<std::string> dashPatternString(const std::vector<double>& pattern);

}  // namespace QVPPTXUnits
