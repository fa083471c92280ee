#pragma once
// The product's name and version: the documents it writes name them (the
// HTML generator, the RTF comment), and the desktop application shows them.
#include <string_view>

inline constexpr std::string_view kQVApplicationName = "PDF Converter";
inline constexpr std::string_view kQVApplicationVersion = "1.0.0";
