// PDF functions: the factory, and each type evaluated on its own numbers:
// exponential, sampled (every sample width, interpolation in one and two
// dimensions), stitching and PostScript calculator programs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/QVPDFExponentialFunction.h"
#include "pdf/QVPDFFunction.h"
#include "pdf/QVPDFPostScriptFunction.h"
#include "pdf/QVPDFSampledFunction.h"
#include "pdf/QVPDFStitchingFunction.h"
#include "tests/support/fixtures.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>

namespace {

using platform::PdfObject;

std::shared_ptr<const QVPDFFunction> function(const std::string& text) {
  return QVPDFFunction::funtionWithObject(PdfObject(QPDFObjectHandle::parse(text)));
}

QVPDFFunctionValues evaluate(const QVPDFFunction& f, std::vector<double> inputs) {
  QVPDFFunctionValues in{};
  for (size_t i = 0; i < inputs.size(); ++i) in[i] = inputs[i];
  QVPDFFunctionValues out;
  out.fill(-99.0);
  f.transformInput(in, out);
  return out;
}

void expectOutputs(const QVPDFFunctionValues& out, const std::vector<double>& expected, const std::string& what) {
  for (size_t j = 0; j < expected.size(); ++j) EXPECT_NEAR(out[j], expected[j], 1e-9) << what << " output " << j;
  for (size_t j = expected.size(); j < out.size(); ++j) EXPECT_EQ(out[j], 0.0) << what << " output " << j;
}

bool allZero(const QVPDFFunctionValues& out) {
  for (double v : out)
    if (v != 0.0) return false;
  return true;
}

// ---------------------------------------------------------------------------
// Factory

TEST(FunctionFactory, ChoosesTheTypeFromFunctionType) {
  EXPECT_EQ(function("/Identity")->getType(), -1);
  EXPECT_EQ(function("/Other"), nullptr);
  EXPECT_EQ(function("<< /FunctionType 2 /Domain [0 1] /N 1 >>")->getType(), 2);
  // A real FunctionType is truncated.
  EXPECT_EQ(function("<< /FunctionType 2.0 /Domain [0 1] /N 1 >>")->getType(), 2);
  EXPECT_EQ(function("<< /FunctionType 3.7 /Domain [0 1] >>")->getType(), 3);
  EXPECT_EQ(function("<< /FunctionType 0 /Domain [0 1] >>")->getType(), 0);
  EXPECT_EQ(function("<< /FunctionType 4 /Domain [0 1] >>")->getType(), 4);
  EXPECT_EQ(function("<< /FunctionType 1 /Domain [0 1] >>"), nullptr);
  EXPECT_EQ(function("<< /FunctionType 5 >>"), nullptr);
  EXPECT_EQ(function("<< /FunctionType -2 >>"), nullptr);
  EXPECT_EQ(function("<< /FunctionType /Two >>"), nullptr);
  EXPECT_EQ(function("<< /Domain [0 1] >>"), nullptr);
  EXPECT_EQ(function("[/Identity]"), nullptr);
  EXPECT_EQ(function("2"), nullptr);
  EXPECT_EQ(function("null"), nullptr);
}

TEST(FunctionFactory, MalformedFunctionIsReturnedAndEvaluatesToZeros) {
  for (const char* text : {"<< /FunctionType 2 /N 1 >>", "<< /FunctionType 2 /Domain [0 1] >>",
                           "<< /FunctionType 2 /Domain [0 1 0 1] /N 1 >>", "<< /FunctionType 3 /Domain [0 1] >>",
                           "<< /FunctionType 0 /Domain [0 1] /Range [0 1] >>",
                           "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>"}) {
    auto f = function(text);
    ASSERT_NE(f, nullptr) << text;
    EXPECT_FALSE(f->ok()) << text;
    EXPECT_TRUE(allZero(evaluate(*f, {0.5, 0.5}))) << text;
  }
}

TEST(FunctionFactory, DomainAndRangeAreReadInPairs) {
  auto f = function("<< /FunctionType 2 /Domain [0 1] /Range [0 1 -1 1 0 2] /C0 [0 0 0] /C1 [1 1 1] /N 1 >>");
  EXPECT_TRUE(f->ok());
  EXPECT_EQ(f->m(), 1);
  EXPECT_EQ(f->n(), 3);
  EXPECT_TRUE(f->hasRange());
  EXPECT_EQ(f->range()[1], (QVPDFFunction::Interval{-1, 1}));
  // A pair that is not two numbers fails the parse.
  EXPECT_FALSE(function("<< /FunctionType 2 /Domain [0 /x] /N 1 >>")->ok());
  EXPECT_FALSE(function("<< /FunctionType 2 /Domain [0 1] /Range [0 (1)] /N 1 >>")->ok());
}

TEST(IdentityFunction, PassesEveryInputThrough) {
  auto f = function("/Identity");
  EXPECT_EQ(f->m(), 32);
  EXPECT_EQ(f->n(), 32);
  EXPECT_FALSE(f->hasRange());
  QVPDFFunctionValues in;
  for (size_t i = 0; i < in.size(); ++i) in[i] = i * 0.25 - 2;
  QVPDFFunctionValues out{};
  f->transformInput(in, out);
  EXPECT_EQ(out, in);
}

TEST(FunctionEvaluation, InputsAndResultsThatAreNotFiniteBecomeZero) {
  auto id = function("/Identity");
  auto out = evaluate(*id, {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 3});
  EXPECT_EQ(out[0], 0.0);
  EXPECT_EQ(out[1], 0.0);
  EXPECT_EQ(out[2], 3.0);
  // A negative base to a fractional power has no real value.
  auto root = function("<< /FunctionType 2 /Domain [-1 1] /N 0.5 >>");
  EXPECT_EQ(evaluate(*root, {-0.25})[0], 0.0);
}

// ---------------------------------------------------------------------------
// Exponential

struct ExponentialCase {
  const char* dict;
  double input;
  std::vector<double> outputs;
};

class ExponentialFunction : public testing::TestWithParam<ExponentialCase> {};

TEST_P(ExponentialFunction, InterpolatesBetweenC0AndC1) {
  auto f = function(GetParam().dict);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->ok()) << GetParam().dict;
  expectOutputs(evaluate(*f, {GetParam().input}), GetParam().outputs, GetParam().dict);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExponentialFunction,
    testing::Values(ExponentialCase{"<< /FunctionType 2 /Domain [0 1] /N 1 >>", 0.25, {0.25}},
                    ExponentialCase{"<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 1 0] /N 2 >>", 0.5, {0.75, 0.25, 0}},
                    // Inputs are limited to the domain.
                    ExponentialCase{"<< /FunctionType 2 /Domain [0 1] /N 1 >>", 1.5, {1.0}},
                    ExponentialCase{"<< /FunctionType 2 /Domain [0 1] /N 1 >>", -3, {0.0}},
                    ExponentialCase{"<< /FunctionType 2 /Domain [0 1] /C0 [0.2] /C1 [0.8] /N 3 >>", 0.5, {0.275}},
                    // Outputs are limited to the range.
                    ExponentialCase{"<< /FunctionType 2 /Domain [0 2] /Range [0 1] /N 2 >>", 2, {1.0}},
                    ExponentialCase{"<< /FunctionType 2 /Domain [0 1] /Range [0 1 0.5 1] /C0 [0 0] /C1 [1 1] /N 1 >>", 0.25, {0.25, 0.5}}));

TEST(ExponentialFunctionParse, C0C1AndRangeMustAgree) {
  // C0 longer than the Range, C1 of another length, a Range of two pairs
  // without C0, a non-number element, no N.
  for (const char* text : {"<< /FunctionType 2 /Domain [0 1] /Range [0 1] /C0 [0 0] /N 1 >>",
                           "<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /C1 [1] /N 1 >>",
                           "<< /FunctionType 2 /Domain [0 1] /Range [0 1 0 1] /N 1 >>",
                           "<< /FunctionType 2 /Domain [0 1] /C0 [0 /x] /N 1 >>",
                           "<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /N 1 >>",
                           "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>"}) {
    EXPECT_FALSE(function(text)->ok()) << text;
  }
  // More than 32 coefficients cannot be held: the parse fails instead.
  std::string many = "<< /FunctionType 2 /Domain [0 1] /C0 [";
  for (int i = 0; i < 40; ++i) many += "0 ";
  many += "] /N 1 >>";
  auto f = function(many);
  EXPECT_FALSE(f->ok());
  EXPECT_TRUE(allZero(evaluate(*f, {1})));
}

// ---------------------------------------------------------------------------
// Sampled

class SampledFunction : public testing::Test {
 protected:
  qvtest::PdfBuilder b;
  std::shared_ptr<const QVPDFFunction> make(const std::string& data, const std::string& dict) {
    return QVPDFFunction::funtionWithObject(PdfObject(b.stream(data, dict)));
  }
};

TEST_F(SampledFunction, InterpolatesBetweenTwoSamples) {
  auto f = make(std::string("\x00\xff", 2), "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {0.5}), {0.5}, "middle");
  expectOutputs(evaluate(*f, {2.0}), {1.0}, "beyond the domain");
  expectOutputs(evaluate(*f, {-1.0}), {0.0}, "below the domain");
  expectOutputs(evaluate(*f, {0.25}), {0.25}, "quarter");
}

struct SampleWidthCase {
  int bits;
  std::string data;  // samples 0, max, mid for Size [3]
  double mid;
};

class SampledWidths : public SampledFunction, public testing::WithParamInterface<SampleWidthCase> {};

TEST_P(SampledWidths, ReadsEveryWidthMostSignificantBitFirst) {
  const SampleWidthCase& c = GetParam();
  auto f = make(c.data, "<< /FunctionType 0 /Domain [0 2] /Range [0 1] /Size [3] /BitsPerSample " +
                            std::to_string(c.bits) + " >>");
  ASSERT_TRUE(f->ok()) << c.bits;
  expectOutputs(evaluate(*f, {0}), {0.0}, "first");
  expectOutputs(evaluate(*f, {1}), {1.0}, "second");
  expectOutputs(evaluate(*f, {2}), {c.mid}, "third");
  expectOutputs(evaluate(*f, {1.5}), {(1.0 + c.mid) / 2}, "between");
}

INSTANTIATE_TEST_SUITE_P(
    Table, SampledWidths,
    testing::Values(SampleWidthCase{1, std::string("\x40", 1), 0.0},                    // 0 1 0
                    SampleWidthCase{2, std::string("\x38", 1), 2.0 / 3},                // 00 11 10 00
                    SampleWidthCase{4, std::string("\x0f\x50", 2), 5.0 / 15},           // 0 f 5
                    SampleWidthCase{8, std::string("\x00\xff\x33", 3), 0x33 / 255.0},
                    SampleWidthCase{12, std::string("\x00\x0f\xff\x80\x00", 5), 0x800 / 4095.0},
                    SampleWidthCase{16, std::string("\x00\x00\xff\xff\x12\x34", 6), 0x1234 / 65535.0},
                    SampleWidthCase{24, std::string("\x00\x00\x00\xff\xff\xff\x00\x00\x01", 9), 1 / 16777215.0},
                    SampleWidthCase{32, std::string("\x00\x00\x00\x00\xff\xff\xff\xff\x80\x00\x00\x00", 12),
                                    2147483648.0 / 4294967295.0}));

TEST_F(SampledFunction, OutputsAreInterleavedAndDecoded) {
  // Two outputs per sample: (0, 255) then (255, 0); the second output's
  // Decode runs backwards.
  auto f = make(std::string("\x00\xff\xff\x00", 4),
                "<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1] /Decode [0 1 1 0] /Size [2] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {0}), {0.0, 0.0}, "start");
  expectOutputs(evaluate(*f, {1}), {1.0, 1.0}, "end");
  expectOutputs(evaluate(*f, {0.25}), {0.25, 0.25}, "quarter");
}

TEST_F(SampledFunction, TwoInputsInterpolateBilinearly) {
  // Grid (x fastest): f(0,0)=0 f(1,0)=1 f(0,1)=1 f(1,1)=0.
  auto f = make(std::string("\x00\xff\xff\x00", 4),
                "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {1, 0}), {1.0}, "(1,0)");
  expectOutputs(evaluate(*f, {0, 1}), {1.0}, "(0,1)");
  expectOutputs(evaluate(*f, {1, 1}), {0.0}, "(1,1)");
  expectOutputs(evaluate(*f, {0.5, 0.5}), {0.5}, "centre");
  expectOutputs(evaluate(*f, {0.25, 0}), {0.25}, "edge");
  expectOutputs(evaluate(*f, {0.25, 0.5}), {0.5}, "inside");
}

TEST_F(SampledFunction, EncodeSelectsPartOfTheTable) {
  // Four samples 0, 85, 170, 255; Encode maps the domain onto samples 1..2.
  auto f = make(std::string("\x00\x55\xaa\xff", 4),
                "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Encode [1 2] /Size [4] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {0}), {85 / 255.0}, "start");
  expectOutputs(evaluate(*f, {1}), {170 / 255.0}, "end");
}

TEST_F(SampledFunction, ThreeInputsReachEveryCorner) {
  // 2x2x2 grid holding the corner number k (bit 0 = first input) as k/7.
  std::string data;
  for (int k = 0; k < 8; ++k) data.push_back(static_cast<char>(k * 255 / 7));
  auto f = make(data, "<< /FunctionType 0 /Domain [0 1 0 1 0 1] /Range [0 1] /Size [2 2 2] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  for (int k = 0; k < 8; ++k) {
    auto out = evaluate(*f, {double(k & 1), double((k >> 1) & 1), double((k >> 2) & 1)});
    EXPECT_NEAR(out[0], (k * 255 / 7) / 255.0, 1e-12) << k;
  }
  // The centre is the mean of the corners.
  double mean = 0;
  for (int k = 0; k < 8; ++k) mean += (k * 255 / 7) / 255.0 / 8;
  EXPECT_NEAR(evaluate(*f, {0.5, 0.5, 0.5})[0], mean, 1e-12);
}

struct BrokenSampled {
  std::string data;
  const char* dict;
  const char* why;
};

class SampledParseFailure : public SampledFunction, public testing::WithParamInterface<BrokenSampled> {};

TEST_P(SampledParseFailure, FailsWithoutAllocatingAndEvaluatesToZeros) {
  auto f = make(GetParam().data, GetParam().dict);
  ASSERT_NE(f, nullptr) << GetParam().why;
  EXPECT_FALSE(f->ok()) << GetParam().why;
  auto sampled = std::dynamic_pointer_cast<const QVPDFSampledFunction>(f);
  EXPECT_TRUE(sampled->samples().empty()) << GetParam().why;
  EXPECT_TRUE(allZero(evaluate(*f, {0.5, 0.5}))) << GetParam().why;
}

std::string seventeenPairs() {
  std::string s = "<< /FunctionType 0 /Domain [";
  for (int i = 0; i < 17; ++i) s += "0 1 ";
  s += "] /Range [0 1] /Size [";
  for (int i = 0; i < 17; ++i) s += "2 ";
  return s + "] /BitsPerSample 8 >>";
}

const std::string kSeventeen = seventeenPairs();

INSTANTIATE_TEST_SUITE_P(
    Table, SampledParseFailure,
    testing::Values(
        BrokenSampled{"\x01\x02", kSeventeen.c_str(), "17 inputs"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8 >>", "no Range"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /BitsPerSample 8 >>", "no Size"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>", "Size of two"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [0] /BitsPerSample 8 >>", "Size 0"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [-2] /BitsPerSample 8 >>", "negative Size"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] >>", "no BitsPerSample"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 7 >>", "7 bits"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 64 >>", "64 bits"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 /Encode [0 /x] >>", "bad Encode"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 /Decode [0 /x] >>", "bad Decode"},
        // Grids whose sample count overflows or passes the cap, whatever the data.
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [1000000 1000000] /BitsPerSample 8 >>", "huge grid"},
        BrokenSampled{"\x01\x02",
                      "<< /FunctionType 0 /Domain [0 1 0 1 0 1 0 1] /Range [0 1 0 1] /Size [4294967296 4294967296 4294967296 4294967296] /BitsPerSample 8 >>",
                      "grid overflowing 64 bits"},
        BrokenSampled{"\x01\x02", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [9223372036854775807] /BitsPerSample 8 >>", "largest Size"}));

TEST(SampledFunctionParse, MustBeAStream) {
  auto f = function("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>");
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(f->ok());
  EXPECT_TRUE(allZero(evaluate(*f, {0.5})));
}

TEST_F(SampledFunction, ShortDataReadsNothingBeyondTheStream) {
  // The grid calls for 1000 samples, the stream holds 2: those present are
  // used and the rest read as 0.
  auto f = make(std::string("\xff\xff", 2), "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [1000] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  auto sampled = std::dynamic_pointer_cast<const QVPDFSampledFunction>(f);
  EXPECT_EQ(sampled->nSamples(), 1000);
  EXPECT_EQ(sampled->samples().size(), 2u);
  expectOutputs(evaluate(*f, {0}), {1.0}, "present");
  expectOutputs(evaluate(*f, {1}), {0.0}, "missing");
  // 16-bit samples with an odd byte left over.
  auto odd = make(std::string("\xff\xff\x80", 3), "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 16 >>");
  EXPECT_EQ(std::dynamic_pointer_cast<const QVPDFSampledFunction>(odd)->samples().size(), 1u);
}

TEST_F(SampledFunction, StreamThatInflatesHugelyDecodesOnlyTheGrid) {
  std::string out;
  Pl_String sink("deflated", nullptr, out);
  Pl_Flate flate("deflate", &sink, Pl_Flate::a_deflate);
  std::string chunk(1 << 16, '\xff');
  for (int i = 0; i < 1024; ++i) flate.write(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size());
  flate.finish();
  auto f = make(out, "<< /Filter /FlateDecode /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  EXPECT_EQ(std::dynamic_pointer_cast<const QVPDFSampledFunction>(f)->samples().size(), 4u);
  expectOutputs(evaluate(*f, {0.3}), {1.0}, "inflated");
}

TEST(PostScriptFunctionParse, ProgramLongerThanTheLimitIsRefused) {
  qvtest::PdfBuilder b;
  std::string program = "{" + std::string(QVPDFPostScriptFunction::kMaxProgramBytes, ' ') + "}";
  auto f = QVPDFFunction::funtionWithObject(
      PdfObject(b.stream(program, "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>")));
  EXPECT_FALSE(f->ok());
}

TEST_F(SampledFunction, ZeroWidthDomainUsesTheFirstSample) {
  auto f = make(std::string("\x40\xff", 2), "<< /FunctionType 0 /Domain [0.5 0.5] /Range [0 1] /Size [2] /BitsPerSample 8 >>");
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {0.5}), {0x40 / 255.0}, "point domain");
}

TEST_F(SampledFunction, FlateCompressedSamples) {
  // Data that only becomes samples once decoded.
  QPDFObjectHandle s = b.stream("", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 >>");
  s.replaceStreamData(std::string("\x00\xff", 2), QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  auto f = QVPDFFunction::funtionWithObject(PdfObject(s));
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {0.75}), {0.75}, "decoded");
}

// ---------------------------------------------------------------------------
// Stitching

constexpr const char* kRise = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";
constexpr const char* kFall = "<< /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>";

std::string stitching(const std::string& rest) {
  return std::string("<< /FunctionType 3 /Domain [0 1] /Functions [") + kRise + " " + kFall + "] " + rest + " >>";
}

struct StitchingCase {
  std::string dict;
  double input;
  double output;
};

class StitchingFunction : public testing::TestWithParam<StitchingCase> {};

TEST_P(StitchingFunction, EvaluatesThePieceThatHoldsTheInput) {
  auto f = function(GetParam().dict);
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(f->ok()) << GetParam().dict;
  EXPECT_EQ(f->n(), 1);
  expectOutputs(evaluate(*f, {GetParam().input}), {GetParam().output}, GetParam().dict + " at " + std::to_string(GetParam().input));
}

INSTANTIATE_TEST_SUITE_P(
    Table, StitchingFunction,
    testing::Values(
        // Rise on [0, 0.5), fall on [0.5, 1].
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), 0.0, 0.0},
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), 0.25, 0.5},
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), 0.5, 1.0},
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), 0.75, 0.5},
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), 1.0, 0.0},
        // The input is limited to the domain first.
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), 7.0, 0.0},
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1]"), -7.0, 0.0},
        // Encode pairs that run backwards.
        StitchingCase{stitching("/Bounds [0.5] /Encode [1 0 1 0]"), 0.1, 0.8},
        StitchingCase{stitching("/Bounds [0.5] /Encode [1 0 1 0]"), 0.6, 0.2},
        // Uneven pieces.
        StitchingCase{stitching("/Bounds [0.2] /Encode [0 1 0 1]"), 0.1, 0.5},
        StitchingCase{stitching("/Bounds [0.2] /Encode [0 1 0 1]"), 0.6, 0.5},
        // A Range clips the pieces' outputs.
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1] /Range [0.2 0.7]"), 0.5, 0.7},
        StitchingCase{stitching("/Bounds [0.5] /Encode [0 1 0 1] /Range [0.2 0.7]"), 0.0, 0.2}));

TEST(StitchingFunctionParse, ThreeStopGradientOfColours) {
  // White to red to blue: the multi-stop gradients shading producers write.
  auto f = function(
      "<< /FunctionType 3 /Domain [0 1] /Bounds [0.4] /Encode [0 1 0 1] /Functions ["
      "<< /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>"
      "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>] >>");
  ASSERT_TRUE(f->ok());
  EXPECT_EQ(f->n(), 3);
  expectOutputs(evaluate(*f, {0.2}), {1, 0.5, 0.5}, "first stop");
  expectOutputs(evaluate(*f, {0.4}), {1, 0, 0}, "middle stop");
  expectOutputs(evaluate(*f, {0.7}), {0.5, 0, 0.5}, "second stop");
  auto stitched = std::dynamic_pointer_cast<const QVPDFStitchingFunction>(f);
  EXPECT_EQ(stitched->functions().size(), 2u);
  EXPECT_EQ(stitched->bounds(), std::vector<double>{0.4});
}

TEST(StitchingFunctionParse, MalformedStitchingEvaluatesToZeros) {
  for (const std::string& text :
       {stitching("/Encode [0 1 0 1]"), stitching("/Bounds [0.5] /Encode [0 1]"), stitching("/Bounds [0.5 0.7] /Encode [0 1 0 1]"),
        stitching("/Bounds [/x] /Encode [0 1 0 1]"),
        std::string("<< /FunctionType 3 /Domain [0 1] /Functions [] /Bounds [] /Encode [] >>"),
        std::string("<< /FunctionType 3 /Domain [0 1] /Functions [<< /FunctionType 1 >>] /Bounds [] /Encode [0 1] >>"),
        std::string("<< /FunctionType 3 /Domain [0 1 0 1] /Functions [/Identity] /Bounds [] /Encode [0 1] >>")}) {
    auto f = function(text);
    ASSERT_NE(f, nullptr) << text;
    EXPECT_FALSE(f->ok()) << text;
    EXPECT_TRUE(allZero(evaluate(*f, {0.3}))) << text;
  }
}

TEST(StitchingFunctionParse, FunctionThatHoldsItselfStops) {
  qvtest::PdfBuilder b;
  QPDFObjectHandle self = b.qpdf().makeIndirectObject(
      QPDFObjectHandle::parse("<< /FunctionType 3 /Domain [0 1] /Functions [null] /Bounds [] /Encode [0 1] >>"));
  self.getKey("/Functions").setArrayItem(0, self);
  auto f = QVPDFFunction::funtionWithObject(PdfObject(self));
  ASSERT_NE(f, nullptr);
  // The innermost copy is refused, which fails every level above it.
  EXPECT_FALSE(f->ok());
  EXPECT_TRUE(allZero(evaluate(*f, {0.5})));
}

// ---------------------------------------------------------------------------
// PostScript calculator

struct ProgramCase {
  const char* program;
  std::vector<double> inputs;
  std::vector<double> outputs;
};

class PostScriptFunction : public testing::TestWithParam<ProgramCase> {};

std::shared_ptr<const QVPDFFunction> calculator(qvtest::PdfBuilder& b, const std::string& program, size_t inputs,
                                                size_t outputs, const std::string& range = "-1000 1000") {
  std::string dict = "<< /FunctionType 4 /Domain [";
  for (size_t i = 0; i < inputs; ++i) dict += "-1000 1000 ";
  dict += "] /Range [";
  for (size_t j = 0; j < outputs; ++j) dict += range + " ";
  dict += "] >>";
  return QVPDFFunction::funtionWithObject(PdfObject(b.stream(program, dict)));
}

TEST_P(PostScriptFunction, RunsTheProgram) {
  const ProgramCase& c = GetParam();
  qvtest::PdfBuilder b;
  auto f = calculator(b, c.program, c.inputs.size(), c.outputs.size());
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(f->ok()) << c.program;
  expectOutputs(evaluate(*f, c.inputs), c.outputs, c.program);
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, PostScriptFunction,
    testing::Values(ProgramCase{"{ 2 mul }", {3}, {6}}, ProgramCase{"{ add }", {2, 0.5}, {2.5}},
                    ProgramCase{"{ sub }", {2, 0.5}, {1.5}}, ProgramCase{"{ div }", {1, 4}, {0.25}},
                    ProgramCase{"{ dup mul exch dup mul add sqrt }", {3, 4}, {5}},
                    ProgramCase{"{ pop 7 3 idiv }", {0}, {2}}, ProgramCase{"{ pop -7 3 idiv }", {0}, {-2}},
                    ProgramCase{"{ pop 7 3 mod }", {0}, {1}}, ProgramCase{"{ pop -7 3 mod }", {0}, {-1}},
                    ProgramCase{"{ neg }", {2.5}, {-2.5}}, ProgramCase{"{ abs }", {-2.5}, {2.5}},
                    ProgramCase{"{ pop 5 neg abs }", {0}, {5}}, ProgramCase{"{ pop 2.5 round }", {0}, {3}},
                    ProgramCase{"{ pop -2.5 round }", {0}, {-2}}, ProgramCase{"{ pop -2.7 truncate }", {0}, {-2}},
                    ProgramCase{"{ pop 2.3 ceiling }", {0}, {3}}, ProgramCase{"{ pop -2.3 floor }", {0}, {-3}},
                    ProgramCase{"{ cvi }", {-2.7}, {-2}}, ProgramCase{"{ pop 3 cvr 2 div }", {0}, {1.5}},
                    ProgramCase{"{ pop 90 sin }", {0}, {1}}, ProgramCase{"{ pop 180 cos }", {0}, {-1}},
                    ProgramCase{"{ pop 1 1 atan }", {0}, {45}}, ProgramCase{"{ pop -1 0 atan }", {0}, {270}},
                    ProgramCase{"{ pop 2 9 exp }", {0}, {512}}, ProgramCase{"{ pop 100 log }", {0}, {2}},
                    ProgramCase{"{ pop 1 ln }", {0}, {0}}, ProgramCase{"{ pop 1.5e2 }", {0}, {150}},
                    ProgramCase{"{ pop +.5 -.25 add }", {0}, {0.25}},
                    // Integers that overflow become reals.
                    ProgramCase{"{ pop 9223372036854775807 1 add 2 div 4611686018427387904 div }", {0}, {1}}));

INSTANTIATE_TEST_SUITE_P(
    LogicAndStack, PostScriptFunction,
    testing::Values(ProgramCase{"{ pop 1 4 bitshift }", {0}, {16}}, ProgramCase{"{ pop 16 -2 bitshift }", {0}, {4}},
                    ProgramCase{"{ pop 6 3 and }", {0}, {2}}, ProgramCase{"{ pop 6 3 or }", {0}, {7}},
                    ProgramCase{"{ pop 6 3 xor }", {0}, {5}}, ProgramCase{"{ pop 0 not }", {0}, {-1}},
                    ProgramCase{"{ pop true false or { 1 } { 0 } ifelse }", {0}, {1}},
                    ProgramCase{"{ pop true false and { 1 } { 0 } ifelse }", {0}, {0}},
                    ProgramCase{"{ pop true true xor not { 1 } { 0 } ifelse }", {0}, {1}},
                    ProgramCase{"{ pop 1 1.0 eq { 1 } { 0 } ifelse }", {0}, {1}},
                    ProgramCase{"{ pop 1 2 ne { 1 } { 0 } ifelse }", {0}, {1}},
                    ProgramCase{"{ 0.5 gt { 1 } { 0 } ifelse }", {0.7}, {1}},
                    ProgramCase{"{ 0.5 gt { 1 } { 0 } ifelse }", {0.3}, {0}},
                    ProgramCase{"{ dup 0.5 ge exch 0.8 le and { 1 } { 0 } ifelse }", {0.6}, {1}},
                    ProgramCase{"{ 2 lt { 5 } { 6 } ifelse }", {1}, {5}},
                    ProgramCase{"{ dup 0.5 lt { pop 0.25 } if }", {0.2}, {0.25}},
                    ProgramCase{"{ dup 0.5 lt { pop 0.25 } if }", {0.7}, {0.7}},
                    // Nested conditionals.
                    ProgramCase{"{ dup 0.3 lt { pop 1 } { 0.6 lt { 2 } { 3 } ifelse } ifelse }", {0.1}, {1}},
                    ProgramCase{"{ dup 0.3 lt { pop 1 } { 0.6 lt { 2 } { 3 } ifelse } ifelse }", {0.5}, {2}},
                    ProgramCase{"{ dup 0.3 lt { pop 1 } { 0.6 lt { 2 } { 3 } ifelse } ifelse }", {0.9}, {3}},
                    ProgramCase{"{ exch }", {1, 2}, {2, 1}}, ProgramCase{"{ 1 index }", {1, 2}, {1, 2, 1}},
                    ProgramCase{"{ 2 copy }", {1, 2}, {1, 2, 1, 2}}, ProgramCase{"{ dup }", {4}, {4, 4}},
                    ProgramCase{"{ 3 1 roll }", {1, 2, 3}, {3, 1, 2}}, ProgramCase{"{ 3 -1 roll }", {1, 2, 3}, {2, 3, 1}},
                    ProgramCase{"{ 3 4 roll }", {1, 2, 3}, {3, 1, 2}}, ProgramCase{"{ 0 0 roll }", {1}, {1}},
                    // Comments and line breaks.
                    ProgramCase{"{ % doubles the input\n  2 mul\r\n}", {2}, {4}},
                    // Inputs are limited to the Domain first.
                    ProgramCase{"{ }", {5000}, {1000}}));

TEST(PostScriptFunctionRun, OutputsAreLimitedToTheRange) {
  qvtest::PdfBuilder b;
  auto f = calculator(b, "{ 5 }", 1, 1, "0 1");
  expectOutputs(evaluate(*f, {0}), {1}, "above");
  auto g = calculator(b, "{ pop -5 }", 1, 1, "0 1");
  expectOutputs(evaluate(*g, {0}), {0}, "below");
}

TEST(PostScriptFunctionRun, ProgramErrorsGiveTheRangeFloor) {
  qvtest::PdfBuilder b;
  for (const char* program : {"{ pop pop }", "{ 0 div }", "{ pop 1 0 idiv }", "{ pop 1 0 mod }", "{ pop -1 sqrt }",
                              "{ pop 0 ln }", "{ pop 0 0 atan }", "{ pop true 1 add }", "{ 1 { 2 } if }",
                              "{ pop 1.5 2 idiv }", "{ pop 1e300 cvi }", "{ pop true }", "{ 5 index }", "{ -1 copy }",
                              "{ 2 1 roll }", "{ pop 1e200 1e200 mul 2 exp }"}) {
    auto f = calculator(b, program, 1, 1, "0.25 1");
    ASSERT_TRUE(f->ok()) << program;
    expectOutputs(evaluate(*f, {0.5}), {0.25}, program);
  }
}

TEST(PostScriptFunctionRun, StackDeeperThanTheLimitFails) {
  qvtest::PdfBuilder b;
  std::string program = "{";
  for (int i = 0; i < 150; ++i) program += " 1";
  program += " }";
  auto f = calculator(b, program, 1, 1, "0 1");
  ASSERT_TRUE(f->ok());
  expectOutputs(evaluate(*f, {0.5}), {0}, "stack overflow");
  // copy that would pass the limit.
  auto g = calculator(b, "{ 1 1 1 1 1 1 1 1 1 1 10 copy 10 copy 10 copy 10 copy 10 copy 10 copy 10 copy 10 copy 10 copy 10 copy }", 1, 1, "0 1");
  expectOutputs(evaluate(*g, {0.5}), {0}, "copy overflow");
  // Up to the limit works: 99 pushes after the input.
  std::string full = "{";
  for (int i = 0; i < 99; ++i) full += " 1";
  for (int i = 0; i < 99; ++i) full += " add";
  full += " }";
  auto h = calculator(b, full, 1, 1, "0 1000");
  expectOutputs(evaluate(*h, {0.5}), {99.5}, "full stack");
}

TEST(PostScriptFunctionCompile, RejectsWhatIsNotACalculatorProgram) {
  std::vector<QVPDFPostScriptFunction::Instruction> code;
  EXPECT_TRUE(QVPDFPostScriptFunction::compile("{ 1 2 add }", code));
  EXPECT_EQ(code.size(), 3u);
  EXPECT_TRUE(QVPDFPostScriptFunction::compile("  {}  ", code));
  for (const char* text : {"", "1 2 add", "{ 1 2 add", "{ foo }", "{ 1 { 2 } }",
                           "{ true { 1 } { 2 } if }", "{ if }", "{ ifelse }", "{ (string) }", "{ /name }",
                           "{ [ 1 ] }", "{ 16#FF }", "{ inf }", "{ nan }", "{ 1..2 }", "{ - }"}) {
    EXPECT_FALSE(QVPDFPostScriptFunction::compile(text, code)) << text;
  }
  // The condition of an if may be any value left on the stack, the input too.
  EXPECT_TRUE(QVPDFPostScriptFunction::compile("{ { 2 } if }", code));
}

TEST(PostScriptFunctionCompile, NestingAndSizeAreBounded) {
  std::vector<QVPDFPostScriptFunction::Instruction> code;
  auto nested = [](int depth) {
    std::string s = "{ 1";
    for (int i = 0; i < depth; ++i) s += " true {";
    for (int i = 0; i < depth; ++i) s += " } if";
    return s + " }";
  };
  EXPECT_TRUE(QVPDFPostScriptFunction::compile(nested(QVPDFPostScriptFunction::kMaxNesting - 1), code));
  EXPECT_FALSE(QVPDFPostScriptFunction::compile(nested(10000), code));
  std::string huge = "{";
  for (size_t i = 0; i < QVPDFPostScriptFunction::kMaxInstructions + 10; ++i) huge += " 1 pop";
  huge += " }";
  EXPECT_FALSE(QVPDFPostScriptFunction::compile(huge, code));
}

TEST(PostScriptFunctionParse, NeedsAStreamAndARange) {
  qvtest::PdfBuilder b;
  auto noRange = QVPDFFunction::funtionWithObject(PdfObject(b.stream("{ }", "<< /FunctionType 4 /Domain [0 1] >>")));
  EXPECT_FALSE(noRange->ok());
  auto dictionary = function("<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>");
  EXPECT_FALSE(dictionary->ok());
  auto badProgram = QVPDFFunction::funtionWithObject(
      PdfObject(b.stream("{ 1 2 frobnicate }", "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>")));
  EXPECT_FALSE(badProgram->ok());
  EXPECT_TRUE(allZero(evaluate(*badProgram, {0.5})));
}

}  // namespace
