#pragma once
#include <string_view>
#include <vector>

#include "pdf/QVPDFFunction.h"

// Type 4: a program in the PostScript calculator language, compiled at parse
// into a flat list of instructions with jumps for if / ifelse, and run on a
// bounded operand stack.
class QVPDFPostScriptFunction : public QVPDFFunction {
 public:
  // Limits of a program from a file: its text, its instructions, the nesting
  // of its braces, and the operand stack (the PDF limit of 100).
  static constexpr size_t kMaxProgramBytes = 256 * 1024;
  static constexpr size_t kMaxInstructions = 64 * 1024;
  static constexpr int kMaxNesting = 64;
  static constexpr int kStackSize = 100;

  enum class Op : uint8_t {
    Push, JumpIfFalse, Jump,
    Abs, Add, Atan, Ceiling, Cos, Cvi, Cvr, Div, Exp, Floor, Idiv, Ln, Log, Mod, Mul, Neg, Round, Sin, Sqrt,
    Sub, Truncate,
    And, Bitshift, Eq, False, Ge, Gt, Le, Lt, Ne, Not, Or, True, Xor,
    Copy, Dup, Exch, Index, Pop, Roll,
  };

  struct Value {
    enum class Kind : uint8_t { Real, Int, Bool } kind = Kind::Real;
    double real = 0;
    int64_t integer = 0;
    bool boolean = false;
  };

  struct Instruction {
    Op op = Op::Push;
    Value value;          // Push
    uint32_t target = 0;  // JumpIfFalse, Jump
  };

  int getType() const override { return 4; }

  // Compiles program text; false on a syntax error, an unknown operator or a
  // program beyond the limits. Exposed so that a program can be checked
  // without a stream around it.
  static bool compile(std::string_view text, std::vector<Instruction>& code);

  const std::vector<Instruction>& code() const { return code_; }

 protected:
  bool parse(const platform::PdfObject& object, const platform::PdfObject& dict, QVPDFParseBudget& budget) override;
  void evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const override;
  // At most every instruction once: the jumps of if / ifelse only go forward.
  uint64_t evaluationCost() const override { return 1 + code_.size(); }

 private:
  std::vector<Instruction> code_;
};
