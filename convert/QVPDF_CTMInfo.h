#pragma once
// Where a page lands in display space and where each text run sits there.
//
// Display space: origin at the top-left corner of the page, y growing
// downwards, points, after the page's rotation. Every exporter builds the
// page display transform at the start of a page and computes one placement
// record per text run from the run's font size, the font's ascent and descent
// (fractions of the font size, descent normally negative) and the run's
// text-to-display transform. All functions are pure and thread-safe.
#include "platform/geometry/geometry.h"

// The placement record of one text run. For an upright run the y values are
// horizontal lines and the x values vertical edges of its em box; for a
// rotated run they are defined by the sampling rules of the functions below,
// not by the bounding box of the turned rectangle.
struct QVPDF_CTMInfo {
  bool flip = false;             // the run is mirrored in display space
  float rotation = 0;            // baseline direction, whole degrees, 0 to 360
  double yTop = 0;               // top of a box one font size high above the baseline
  double yAscent = 0;            // top of the box from the baseline to the ascent
  double yBase = 0;              // the baseline
  double yDescent = 0;           // bottom of the box from the descent to the baseline
  double yBottom = 0;            // same as yDescent
  double xLeft = 0;              // left edge of the em box
  double xRight = 0;             // right edge of the em box
  platform::Point topLeft;       // top-left corner of the em box (descent to ascent)
  platform::Point bottomLeft;    // bottom-left corner of the em box
  platform::Size fontSize;       // em box size in display space, rounded, each side at least 8

  bool operator==(const QVPDF_CTMInfo&) const = default;
};

// The page display transform for a page box of width × height at the origin
// and a /Rotate angle (normalised into 0..359; angles other than 90, 180 and
// 270 count as 0). The display box stays width × height for every angle.
platform::AffineTransform QVPDF_PageTransformForRotation(double width, double height, int rotation);
// The same for a media box anywhere in user space: its origin is taken away
// first, so a box that does not start at 0,0 still lands on its page. This is
// the form exporters use.
platform::AffineTransform QVPDF_PageTransformForRotation(const platform::Rect& mediaBox, int rotation);

QVPDF_CTMInfo QVPDF_CTMInfoMake(double fontSize, double ascent, double descent,
                                const platform::AffineTransform& transform);

// The parts of the record.
double QVPDF_CTMInfoRotation(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
bool QVPDF_CTMInfoIsFlipped(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
double QVPDF_CTMInfoYTop(double fontSize, const platform::AffineTransform& transform);
double QVPDF_CTMInfoYAscent(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
double QVPDF_CTMInfoYBase(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
double QVPDF_CTMInfoYDescent(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
double QVPDF_CTMInfoYBottom(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
double QVPDF_CTMInfoXLeft(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
double QVPDF_CTMInfoXRight(double fontSize, double ascent, double descent, const platform::AffineTransform& transform);
// Also used to turn a text-space width into display space: pass the width as
// all three of size, ascent and descent.
platform::Point QVPDF_CTMInfoTopLeft(double fontSize, double ascent, double descent,
                                     const platform::AffineTransform& transform);
platform::Point QVPDF_CTMInfoBottomLeft(double fontSize, double ascent, double descent,
                                        const platform::AffineTransform& transform);
platform::Point QVPDF_CTMInfoBottomRight(double fontSize, double ascent, double descent,
                                         const platform::AffineTransform& transform);
platform::Size QVPDF_CTMInfoFontSize(double fontSize, double ascent, double descent,
                                     const platform::AffineTransform& transform);

// Direction of the vector from the first point to the second, whole degrees
// in 0..360.
double QVPDF_AngleBetweenPoints(double x1, double y1, double x2, double y2);
// 2 when x1 > x2 and y1 > y2; 3 when only x1 > x2; 1 when only y1 > y2; else 0.
int QVPDF_PointQuadrant(double x1, double y1, double x2, double y2);

// The way from one display point to another in the frame of text whose
// baseline runs at `rotation` degrees (a placement record's rotation): x
// along the line (positive onward), y across it (positive towards the next
// line). Every layout that groups runs into lines measures steps this way, so
// that turned text (180 degrees, a quarter turn, any angle) is read along its
// own lines and not along the display's axes.
platform::Point QVPDF_TextFrameOffset(double rotation, platform::Point from, platform::Point to);
// Where the descent line of a run starts (the em box's bottom-left corner in
// the text's own frame): the point whose steps QVPDF_TextFrameOffset measures.
platform::Point QVPDF_DescentLineStart(double fontSize, double descent, const platform::AffineTransform& transform);
