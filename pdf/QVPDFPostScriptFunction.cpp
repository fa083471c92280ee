#include "pdf/QVPDFPostScriptFunction.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace {

using Op = QVPDFPostScriptFunction::Op;
using Value = QVPDFPostScriptFunction::Value;
using Instruction = QVPDFPostScriptFunction::Instruction;
using Kind = Value::Kind;

constexpr double kPi = 3.14159265358979323846;

struct OperatorName {
  std::string_view name;
  Op op;
};

constexpr OperatorName kOperators[] = {
    {"abs", Op::Abs},         {"add", Op::Add},       {"atan", Op::Atan}, {"ceiling", Op::Ceiling},
    {"cos", Op::Cos},         {"cvi", Op::Cvi},       {"cvr", Op::Cvr},   {"div", Op::Div},
    {"exp", Op::Exp},         {"floor", Op::Floor},   {"idiv", Op::Idiv}, {"ln", Op::Ln},
    {"log", Op::Log},         {"mod", Op::Mod},       {"mul", Op::Mul},   {"neg", Op::Neg},
    {"round", Op::Round},     {"sin", Op::Sin},       {"sqrt", Op::Sqrt}, {"sub", Op::Sub},
    {"truncate", Op::Truncate}, {"and", Op::And},     {"bitshift", Op::Bitshift}, {"eq", Op::Eq},
    {"false", Op::False},     {"ge", Op::Ge},         {"gt", Op::Gt},     {"le", Op::Le},
    {"lt", Op::Lt},           {"ne", Op::Ne},         {"not", Op::Not},   {"or", Op::Or},
    {"true", Op::True},       {"xor", Op::Xor},       {"copy", Op::Copy}, {"dup", Op::Dup},
    {"exch", Op::Exch},       {"index", Op::Index},   {"pop", Op::Pop},   {"roll", Op::Roll},
};

Value realValue(double v) { return {Kind::Real, v, 0, false}; }
Value intValue(int64_t v) { return {Kind::Int, 0, v, false}; }
Value boolValue(bool v) { return {Kind::Bool, 0, 0, v}; }

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
bool isDelimiter(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
         c == '/' || c == '%';
}

// A number token: an integer (a real when it does not fit 64 bits) or a real.
std::optional<Value> parseNumber(std::string_view token) {
  std::string_view body = token;
  if (!body.empty() && body.front() == '+') body.remove_prefix(1);
  std::string_view digits = body;
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  if (digits.empty() || !(std::isdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.'))
    return std::nullopt;
  const char* first = body.data();
  const char* last = body.data() + body.size();
  int64_t i = 0;
  auto [ip, iec] = std::from_chars(first, last, i);
  if (iec == std::errc() && ip == last) return intValue(i);
  double d = 0;
  auto [dp, dec] = std::from_chars(first, last, d);
  if (dec == std::errc() && dp == last && std::isfinite(d)) return realValue(d);
  return std::nullopt;
}

struct Node {
  enum class Type { Instruction, Block, If, IfElse } type = Type::Instruction;
  Instruction instruction;
  std::vector<Node> block;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  // The program: one brace-delimited procedure.
  bool parseProgram(std::vector<Node>& nodes) {
    skipWhite();
    if (pos_ >= text_.size() || text_[pos_] != '{') return false;
    ++pos_;
    return parseBlock(nodes, 1);
  }

 private:
  void skipWhite() {
    while (pos_ < text_.size()) {
      if (isWhite(text_[pos_])) {
        ++pos_;
      } else if (text_[pos_] == '%') {
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
      } else {
        break;
      }
    }
  }

  // Reads the body of a procedure up to and including its closing brace.
  bool parseBlock(std::vector<Node>& nodes, int depth) {
    if (depth > QVPDFPostScriptFunction::kMaxNesting) return false;
    while (true) {
      skipWhite();
      if (pos_ >= text_.size()) return false;
      char c = text_[pos_];
      if (c == '}') {
        ++pos_;
        return true;
      }
      if (++tokens_ > QVPDFPostScriptFunction::kMaxInstructions) return false;
      if (c == '{') {
        ++pos_;
        Node node;
        node.type = Node::Type::Block;
        if (!parseBlock(node.block, depth + 1)) return false;
        nodes.push_back(std::move(node));
        continue;
      }
      if (isDelimiter(c)) return false;
      size_t start = pos_;
      while (pos_ < text_.size() && !isWhite(text_[pos_]) && !isDelimiter(text_[pos_])) ++pos_;
      std::string_view token = text_.substr(start, pos_ - start);
      Node node;
      if (token == "if") {
        node.type = Node::Type::If;
      } else if (token == "ifelse") {
        node.type = Node::Type::IfElse;
      } else if (auto number = parseNumber(token)) {
        node.instruction.op = Op::Push;
        node.instruction.value = *number;
      } else {
        bool known = false;
        for (const auto& entry : kOperators) {
          if (entry.name == token) {
            node.instruction.op = entry.op;
            known = true;
            break;
          }
        }
        if (!known) return false;
      }
      nodes.push_back(std::move(node));
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t tokens_ = 0;
};

// Emits the nodes of one procedure; a block must be the operand of the if or
// ifelse that follows it.
bool emit(const std::vector<Node>& nodes, std::vector<Instruction>& code) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (code.size() >= QVPDFPostScriptFunction::kMaxInstructions) return false;
    const Node& node = nodes[i];
    switch (node.type) {
      case Node::Type::Instruction:
        code.push_back(node.instruction);
        break;
      case Node::Type::If:
      case Node::Type::IfElse:
        return false;  // without its blocks
      case Node::Type::Block: {
        if (i + 1 < nodes.size() && nodes[i + 1].type == Node::Type::If) {
          size_t jump = code.size();
          code.push_back({Op::JumpIfFalse, {}, 0});
          if (!emit(node.block, code)) return false;
          code[jump].target = static_cast<uint32_t>(code.size());
          i += 1;
        } else if (i + 2 < nodes.size() && nodes[i + 1].type == Node::Type::Block &&
                   nodes[i + 2].type == Node::Type::IfElse) {
          size_t jumpToElse = code.size();
          code.push_back({Op::JumpIfFalse, {}, 0});
          if (!emit(node.block, code)) return false;
          size_t jumpToEnd = code.size();
          code.push_back({Op::Jump, {}, 0});
          code[jumpToElse].target = static_cast<uint32_t>(code.size());
          if (!emit(nodes[i + 1].block, code)) return false;
          code[jumpToEnd].target = static_cast<uint32_t>(code.size());
          i += 2;
        } else {
          return false;
        }
        break;
      }
    }
  }
  return code.size() <= QVPDFPostScriptFunction::kMaxInstructions;
}

// The operand stack of one run; every operation checks its operands and
// answers false on an error, which ends the run.
class Machine {
 public:
  bool push(const Value& v) {
    if (size_ >= QVPDFPostScriptFunction::kStackSize) return false;
    stack_[size_++] = v;
    return true;
  }
  bool pop(Value& v) {
    if (size_ == 0) return false;
    v = stack_[--size_];
    return true;
  }
  bool popNumber(double& v) {
    Value value;
    if (!pop(value)) return false;
    if (value.kind == Kind::Real) v = value.real;
    else if (value.kind == Kind::Int) v = static_cast<double>(value.integer);
    else return false;
    return true;
  }
  bool popInt(int64_t& v) {
    Value value;
    if (!pop(value) || value.kind != Kind::Int) return false;
    v = value.integer;
    return true;
  }
  bool popBool(bool& v) {
    Value value;
    if (!pop(value) || value.kind != Kind::Bool) return false;
    v = value.boolean;
    return true;
  }
  int size() const { return size_; }
  const Value& at(int i) const { return stack_[i]; }

  bool execute(Op op);

 private:
  bool arithmetic(Op op);
  bool compare(Op op);
  bool logic(Op op);
  bool stackOp(Op op);
  bool unaryReal(Op op);

  std::array<Value, QVPDFPostScriptFunction::kStackSize> stack_{};
  int size_ = 0;
};

bool isNumber(const Value& v) { return v.kind != Kind::Bool; }
double asDouble(const Value& v) { return v.kind == Kind::Int ? static_cast<double>(v.integer) : v.real; }

bool Machine::arithmetic(Op op) {
  Value b, a;
  if (!pop(b) || !pop(a) || !isNumber(a) || !isNumber(b)) return false;
  if (op == Op::Idiv || op == Op::Mod) {
    if (a.kind != Kind::Int || b.kind != Kind::Int || b.integer == 0) return false;
    if (a.integer == std::numeric_limits<int64_t>::min() && b.integer == -1)
      return push(op == Op::Idiv ? realValue(-static_cast<double>(a.integer)) : intValue(0));
    return push(intValue(op == Op::Idiv ? a.integer / b.integer : a.integer % b.integer));
  }
  if (a.kind == Kind::Int && b.kind == Kind::Int && op != Op::Div) {
    int64_t r = 0;
    bool overflow = false;
    if (op == Op::Add) overflow = __builtin_add_overflow(a.integer, b.integer, &r);
    else if (op == Op::Sub) overflow = __builtin_sub_overflow(a.integer, b.integer, &r);
    else overflow = __builtin_mul_overflow(a.integer, b.integer, &r);
    if (!overflow) return push(intValue(r));
  }
  const double x = asDouble(a), y = asDouble(b);
  switch (op) {
    case Op::Add: return push(realValue(x + y));
    case Op::Sub: return push(realValue(x - y));
    case Op::Mul: return push(realValue(x * y));
    case Op::Div:
      if (y == 0) return false;
      return push(realValue(x / y));
    default: return false;
  }
}

bool Machine::unaryReal(Op op) {
  Value a;
  if (!pop(a) || !isNumber(a)) return false;
  const double x = asDouble(a);
  switch (op) {
    case Op::Abs:
    case Op::Neg:
      if (a.kind == Kind::Int && a.integer != std::numeric_limits<int64_t>::min())
        return push(intValue(op == Op::Abs ? (a.integer < 0 ? -a.integer : a.integer) : -a.integer));
      return push(realValue(op == Op::Abs ? std::fabs(x) : -x));
    case Op::Ceiling:
    case Op::Floor:
    case Op::Round:
    case Op::Truncate:
      if (a.kind == Kind::Int) return push(a);
      if (op == Op::Ceiling) return push(realValue(std::ceil(x)));
      if (op == Op::Floor) return push(realValue(std::floor(x)));
      if (op == Op::Round) return push(realValue(std::floor(x + 0.5)));
      return push(realValue(std::trunc(x)));
    case Op::Cos: return push(realValue(std::cos(x * kPi / 180.0)));
    case Op::Sin: return push(realValue(std::sin(x * kPi / 180.0)));
    case Op::Sqrt:
      if (x < 0) return false;
      return push(realValue(std::sqrt(x)));
    case Op::Ln:
      if (x <= 0) return false;
      return push(realValue(std::log(x)));
    case Op::Log:
      if (x <= 0) return false;
      return push(realValue(std::log10(x)));
    case Op::Cvr: return push(realValue(x));
    case Op::Cvi: {
      if (a.kind == Kind::Int) return push(a);
      double t = std::trunc(x);
      if (!(t >= -9.2e18 && t <= 9.2e18)) return false;
      return push(intValue(static_cast<int64_t>(t)));
    }
    default: return false;
  }
}

bool Machine::compare(Op op) {
  Value b, a;
  if (!pop(b) || !pop(a)) return false;
  if (op == Op::Eq || op == Op::Ne) {
    bool equal = false;
    if (a.kind == Kind::Bool || b.kind == Kind::Bool) equal = a.kind == b.kind && a.boolean == b.boolean;
    else if (a.kind == Kind::Int && b.kind == Kind::Int) equal = a.integer == b.integer;
    else equal = asDouble(a) == asDouble(b);
    return push(boolValue(op == Op::Eq ? equal : !equal));
  }
  if (!isNumber(a) || !isNumber(b)) return false;
  if (a.kind == Kind::Int && b.kind == Kind::Int) {
    int64_t x = a.integer, y = b.integer;
    bool r = op == Op::Ge ? x >= y : op == Op::Gt ? x > y : op == Op::Le ? x <= y : x < y;
    return push(boolValue(r));
  }
  double x = asDouble(a), y = asDouble(b);
  bool r = op == Op::Ge ? x >= y : op == Op::Gt ? x > y : op == Op::Le ? x <= y : x < y;
  return push(boolValue(r));
}

bool Machine::logic(Op op) {
  if (op == Op::Not) {
    Value a;
    if (!pop(a)) return false;
    if (a.kind == Kind::Bool) return push(boolValue(!a.boolean));
    if (a.kind == Kind::Int) return push(intValue(~a.integer));
    return false;
  }
  if (op == Op::Bitshift) {
    int64_t shift = 0, v = 0;
    if (!popInt(shift) || !popInt(v)) return false;
    const uint64_t bits = static_cast<uint64_t>(v);
    if (shift >= 64 || shift <= -64) return push(intValue(0));
    if (shift >= 0) return push(intValue(static_cast<int64_t>(bits << shift)));
    return push(intValue(static_cast<int64_t>(bits >> -shift)));
  }
  Value b, a;
  if (!pop(b) || !pop(a)) return false;
  if (a.kind == Kind::Bool && b.kind == Kind::Bool) {
    bool r = op == Op::And ? (a.boolean && b.boolean) : op == Op::Or ? (a.boolean || b.boolean) : (a.boolean != b.boolean);
    return push(boolValue(r));
  }
  if (a.kind == Kind::Int && b.kind == Kind::Int) {
    int64_t r = op == Op::And ? (a.integer & b.integer) : op == Op::Or ? (a.integer | b.integer) : (a.integer ^ b.integer);
    return push(intValue(r));
  }
  return false;
}

bool Machine::stackOp(Op op) {
  switch (op) {
    case Op::Dup: {
      if (size_ == 0) return false;
      return push(stack_[size_ - 1]);
    }
    case Op::Exch: {
      if (size_ < 2) return false;
      std::swap(stack_[size_ - 1], stack_[size_ - 2]);
      return true;
    }
    case Op::Pop: {
      Value v;
      return pop(v);
    }
    case Op::Copy: {
      int64_t n = 0;
      if (!popInt(n) || n < 0 || n > size_ || size_ + n > QVPDFPostScriptFunction::kStackSize) return false;
      const int count = static_cast<int>(n);
      const int first = size_ - count;
      for (int i = 0; i < count; ++i) stack_[size_ + i] = stack_[first + i];
      size_ += count;
      return true;
    }
    case Op::Index: {
      int64_t n = 0;
      if (!popInt(n) || n < 0 || n >= size_) return false;
      return push(stack_[size_ - 1 - static_cast<int>(n)]);
    }
    case Op::Roll: {
      int64_t j = 0, n = 0;
      if (!popInt(j) || !popInt(n) || n < 0 || n > size_) return false;
      if (n == 0) return true;
      const int count = static_cast<int>(n);
      int shift = static_cast<int>(((j % n) + n) % n);
      if (shift == 0) return true;
      // Rolling by j moves each element j places up (toward the top).
      Value* base = stack_.data() + (size_ - count);
      std::array<Value, QVPDFPostScriptFunction::kStackSize> tmp;
      for (int i = 0; i < count; ++i) tmp[(i + shift) % count] = base[i];
      for (int i = 0; i < count; ++i) base[i] = tmp[i];
      return true;
    }
    default: return false;
  }
}

bool Machine::execute(Op op) {
  switch (op) {
    case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Idiv: case Op::Mod:
      return arithmetic(op);
    case Op::Abs: case Op::Neg: case Op::Ceiling: case Op::Floor: case Op::Round: case Op::Truncate:
    case Op::Cos: case Op::Sin: case Op::Sqrt: case Op::Ln: case Op::Log: case Op::Cvr: case Op::Cvi:
      return unaryReal(op);
    case Op::Atan: {
      double den = 0, num = 0;
      if (!popNumber(den) || !popNumber(num)) return false;
      if (num == 0 && den == 0) return false;
      double angle = std::atan2(num, den) * 180.0 / kPi;
      if (angle < 0) angle += 360.0;
      return push(realValue(angle));
    }
    case Op::Exp: {
      double exponent = 0, base = 0;
      if (!popNumber(exponent) || !popNumber(base)) return false;
      double r = std::pow(base, exponent);
      if (!std::isfinite(r)) return false;
      return push(realValue(r));
    }
    case Op::Eq: case Op::Ne: case Op::Ge: case Op::Gt: case Op::Le: case Op::Lt:
      return compare(op);
    case Op::And: case Op::Or: case Op::Xor: case Op::Not: case Op::Bitshift:
      return logic(op);
    case Op::True: return push(boolValue(true));
    case Op::False: return push(boolValue(false));
    case Op::Copy: case Op::Dup: case Op::Exch: case Op::Index: case Op::Pop: case Op::Roll:
      return stackOp(op);
    default:
      return false;
  }
}

}  // namespace

bool QVPDFPostScriptFunction::compile(std::string_view text, std::vector<Instruction>& code) {
  code.clear();
  if (text.size() > kMaxProgramBytes) return false;
  std::vector<Node> nodes;
  Parser parser(text);
  if (!parser.parseProgram(nodes)) return false;
  if (!emit(nodes, code)) {
    code.clear();
    return false;
  }
  return true;
}

bool QVPDFPostScriptFunction::parse(const platform::PdfObject& object, const platform::PdfObject& dict,
                                    QVPDFParseBudget& budget) {
  ok_ = false;
  code_.clear();
  if (!QVPDFFunction::parse(object, dict, budget)) return false;
  if (!hasRange_ || !object.isStream()) return false;
  std::string text;
  try {
    // One byte more than a program may have tells a program that is too long.
    text = object.decodedPrefix(kMaxProgramBytes + 1);
  } catch (const std::exception&) {
    return false;
  }
  std::vector<Instruction> code;
  if (!compile(text, code)) return false;
  code_ = std::move(code);
  ok_ = true;
  return true;
}

void QVPDFPostScriptFunction::evaluate(const QVPDFFunctionValues& input, QVPDFFunctionValues& output) const {
  if (!ok_) return;
  Machine machine;
  for (int i = 0; i < m_; ++i) {
    double x = input[i];
    if (x < domain_[i].min) x = domain_[i].min;
    else if (x > domain_[i].max) x = domain_[i].max;
    if (!machine.push(realValue(x))) return;
  }
  // Jumps only go forward, so a run takes at most one step per instruction;
  // the count is checked anyway so that no program can run away.
  size_t steps = 0;
  size_t pc = 0;
  bool failed = false;
  while (pc < code_.size()) {
    if (++steps > kMaxInstructions) {
      failed = true;
      break;
    }
    const Instruction& in = code_[pc];
    if (in.op == Op::Push) {
      if (!machine.push(in.value)) { failed = true; break; }
      ++pc;
    } else if (in.op == Op::Jump) {
      pc = in.target;
    } else if (in.op == Op::JumpIfFalse) {
      bool condition = false;
      if (!machine.popBool(condition)) { failed = true; break; }
      pc = condition ? pc + 1 : in.target;
    } else {
      if (!machine.execute(in.op)) { failed = true; break; }
      ++pc;
    }
  }
  const int first = machine.size() - n_;
  if (failed || first < 0) {
    // A program that fails gives the outputs nearest to 0 within the Range.
    clipToRange(output);
    return;
  }
  for (int j = 0; j < n_; ++j) {
    const Value& v = machine.at(first + j);
    if (v.kind == Kind::Bool) {
      output.fill(0.0);
      clipToRange(output);
      return;
    }
    output[j] = asDouble(v);
  }
  clipToRange(output);
}
