#pragma once
// Further options of one conversion. Only the spreadsheet outputs read them;
// a conversion without options (std::nullopt) runs them with every field zero.
#include "convert/QVExcelOptions.h"

struct QVPDFOptions {
  QVExcelOptions excelOptions;

  bool operator==(const QVPDFOptions&) const = default;
};
