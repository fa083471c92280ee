#pragma once
// QVExcelPDFExporter: the spreadsheet exporter, of workbooks or CSV files.
// For each page it runs the interpreter (without images, which this output
// does not use), turns every upright shown string into a positioned text
// run, joins runs that continue one another on a baseline into words and
// phrases, registers the runs' fonts and, when the options ask for it, turns
// filled rectangles into cell fills; it leaves the rows, columns and cells
// to the page and the writer when the page ends.
//
// Only upright text becomes runs: a string turned by 5 degrees or more, or
// mirrored, is left out. Geometry is in display space (points, origin at the
// top-left corner of the page as displayed after its /Rotate, y downwards).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "convert/QVExcelOptions.h"
#include "convert/QVPDFExporter.h"
#include "convert/QVPDFPageFrame.h"
#include "convert/QVPDF_CTMInfo.h"
#include "pdf/QVPDFConentParser.h"
#include "platform/geometry/geometry.h"
#include "xlsx/QVExcelManager.h"
#include "xlsx/QVExcelRunText.h"

class QVExcelWriter;
class QVExcelPage;
class QVPDFRenderState;

class QVExcelPDFExporter : public QVPDFExporter, public QVPDFConentParserDelegate {
 public:
  // The runs a page may hold (after joining): the table reconstruction costs
  // up to the square of their number, so a hostile page of countless tiny
  // strings must not make it run for hours. A page with more fails whole
  // (convertPDFPage throws) rather than giving a table cut short.
  static constexpr size_t kMaxRunsPerPage = 20'000;

  // The conversion's spreadsheet options (none: every option 0), and whether
  // it writes a workbook or CSV files.
  explicit QVExcelPDFExporter(const std::optional<QVExcelOptions>& options = std::nullopt, bool workbook = false);
  ~QVExcelPDFExporter() override;

  // ---- The exporter contract
  void begainConvertPDF(const std::string& outputPath) override;
  bool convertPDFPage(const platform::PdfPage& page) override;
  void endConvertPDF(const platform::PdfDocument& document) override;
  void cleanConvertPDF() override;

  // ---- The interpreter's callbacks
  void didScanText(QVPDFConentParser& parser, const std::string& text, platform::Size offset) override;
  void didScanPath(QVPDFConentParser& parser, const platform::Path& path, bool stroke, bool fill) override;

  // ---- State
  QVExcelWriter* pdfConverter() { return pdfConverter_.get(); }
  const QVExcelManager& manager() const { return manager_; }
  bool isShouldCancel() const { return isShouldCancel_; }
  void setIsShouldCancel(bool value) { isShouldCancel_ = value; }
  // The page box as displayed (rotated with the page, origin 0).
  const platform::Rect& currentPageMediaBox() const { return frame_.display().box; }
  int64_t currentPageRotationAngle() const { return frame_.display().rotation; }
  // User space of the page to display space.
  const platform::AffineTransform& currentPageTransform() const { return frame_.pageTransform(); }
  double mainTextFontSize() const { return mainTextFontSize_; }
  const platform::AffineTransform& mainTextTransform() const { return mainTextTransform_; }
  const QVPDF_CTMInfo& mainTextCTMInfo() const { return mainTextCTMInfo_; }
  // Runs made in this document; the next run's drawIndex.
  uint64_t runTextCount() const { return runTextCount_; }
  double nextCharFontSize() const { return nextCharFontSize_; }
  const platform::AffineTransform& nextCharTransform() const { return nextCharTransform_; }
  const QVPDF_CTMInfo& nextCharCTMInfo() const { return nextCharCTMInfo_; }
  bool isNotScanTextYet() const { return isNotScanTextYet_; }

  // ---- The text path (each reads the top state of the page's stack)
  // Makes a run of an upright string and adds it to the page.
  void collectRunText(const std::string& text, platform::Size offset);
  // Joins the run to the page's last run when it continues it on its
  // baseline (directly, or after one word space of `wordSpace` points);
  // otherwise appends it.
  void addToAllRunTextArray(QVExcelRunTextPtr run, double wordSpace);
  // Character properties of the current text.
  QVExcelRunTextProperty currentRProperty() const;
  // Registers the fill colour over the path's bounds (display space) as a
  // cell fill, unless the colour is black.
  void collectFills(const platform::Path& displayPath);
  // The display-space extent of a text-space width along the text line.
  platform::Size convertToDisplaySpaceWidth(double width) const;
  // Text space to display space now, and after an advance.
  platform::AffineTransform currentDisplayTextTransform() const;
  platform::AffineTransform nextDisplayTextTransform(platform::Size advance) const;

 private:
  QVPDFRenderState& state() const;
  QVExcelPage* currentPage() const;

  QVExcelManager manager_;
  bool workbook_ = false;
  std::unique_ptr<QVExcelWriter> pdfConverter_;
  bool isShouldCancel_ = false;
  QVPDFPageFrame frame_;
  double mainTextFontSize_ = 1.0;
  platform::AffineTransform mainTextTransform_;
  QVPDF_CTMInfo mainTextCTMInfo_;
  uint64_t runTextCount_ = 0;
  double nextCharFontSize_ = 1.0;
  platform::AffineTransform nextCharTransform_;
  QVPDF_CTMInfo nextCharCTMInfo_;
  bool isNotScanTextYet_ = true;
  // The current page had more runs than kMaxRunsPerPage.
  bool isPageOverfull_ = false;
};
